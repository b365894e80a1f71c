// SPDX-License-Identifier: GPL-2.0-or-later
// dconfpeer N: dconf as the peer of the daemon's durable writes, on the session bus it is
// given. Prints one JSON object: the times of N acknowledged writes (dconf_client_write_sync,
// the value flipping each time so that every write is stored) and of N writes until a second
// client watching the key hears the change, in microseconds.
#include <dconf.h>

#include <stdio.h>
#include <stdlib.h>

static const char *const key = "/org/example/lsbench/flag";

static void changed(DConfClient *client, const gchar *prefix, const gchar *const *changes, const gchar *tag,
                    gpointer data)
{
    (void)client;
    (void)prefix;
    (void)changes;
    (void)tag;
    *(gboolean *)data = TRUE;
}

static gboolean timeUp(gpointer data)
{
    *(gboolean *)data = TRUE;
    return G_SOURCE_REMOVE;
}

static int compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

static void printSamples(const char *name, double *values, int n, int last)
{
    qsort(values, n, sizeof(double), compare);
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    printf("\"%s\":{\"unit\":\"us\",\"median\":%.3f,\"p10\":%.3f,\"p90\":%.3f,\"min\":%.3f,\"max\":%.3f,\"n\":%d}%s",
           name, median, values[n / 10], values[n * 9 / 10], values[0], values[n - 1], n, last ? "" : ",");
}

int main(int argc, char **argv)
{
    const int n = argc > 1 ? atoi(argv[1]) : 200;
    if (n < 2) {
        fprintf(stderr, "usage: dconfpeer N (N >= 2)\n");
        return 2;
    }
    DConfClient *writer = dconf_client_new();
    DConfClient *watcher = dconf_client_new();
    gboolean heard = FALSE;
    g_signal_connect(watcher, "changed", G_CALLBACK(changed), &heard);
    dconf_client_watch_sync(watcher, key);
    double *acked = g_new(double, n);
    double *notified = g_new(double, n);
    GError *error = NULL;
    gboolean value = FALSE;

    // Warm-up: the service is activated and has its database open.
    for (int i = 0; i < 5; ++i) {
        value = !value;
        if (!dconf_client_write_sync(writer, key, g_variant_new_boolean(value), NULL, NULL, &error)) {
            fprintf(stderr, "dconfpeer: write failed: %s\n", error->message);
            return 1;
        }
    }
    while (g_main_context_iteration(NULL, FALSE)) {
    }

    for (int i = 0; i < n; ++i) {
        value = !value;
        gint64 start = g_get_monotonic_time();
        if (!dconf_client_write_sync(writer, key, g_variant_new_boolean(value), NULL, NULL, &error)) {
            fprintf(stderr, "dconfpeer: write failed: %s\n", error->message);
            return 1;
        }
        acked[i] = (double)(g_get_monotonic_time() - start);
        // Drain the notification of that write before the next measurement.
        while (g_main_context_iteration(NULL, FALSE)) {
        }

        value = !value;
        heard = FALSE;
        start = g_get_monotonic_time();
        if (!dconf_client_write_sync(writer, key, g_variant_new_boolean(value), NULL, NULL, &error)) {
            fprintf(stderr, "dconfpeer: write failed: %s\n", error->message);
            return 1;
        }
        gboolean late = FALSE;
        const guint timer = g_timeout_add_seconds(10, timeUp, &late);
        while (!heard && !late)
            g_main_context_iteration(NULL, TRUE);
        if (!late)
            g_source_remove(timer);
        if (!heard) {
            fprintf(stderr, "dconfpeer: no change notification within 10 s\n");
            return 1;
        }
        notified[i] = (double)(g_get_monotonic_time() - start);
    }
    GVariant *stored = dconf_client_read(writer, key);
    if (!stored || g_variant_get_boolean(stored) != value) {
        fprintf(stderr, "dconfpeer: the last write did not read back\n");
        return 1;
    }
    g_variant_unref(stored);
    printf("{");
    printSamples("writeSync", acked, n, 0);
    printSamples("writeUntilNotified", notified, n, 1);
    printf("}\n");
    dconf_client_unwatch_sync(watcher, key);
    g_object_unref(watcher);
    g_object_unref(writer);
    g_free(acked);
    g_free(notified);
    return 0;
}
