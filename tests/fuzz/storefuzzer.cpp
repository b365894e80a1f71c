// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer entry for the daemon's input checks: the store loader and the checks of a "setSetting" value.
#include "settingsschema.h"
#include "settingsservice.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
[[noreturn]] void broken(const char *what)
{
    fprintf(stderr, "storefuzzer: %s\n", what);
    abort();
}

bool valid(const SettingsSchema::Key *key, const QVariant &value)
{
    QString name, message;
    return key && SettingsSchema::validate(*key, value, &name, &message);
}

// Any bytes: refused with a reason, or every known key valid and surviving a save and a second load.
void fuzzLoader(const QByteArray &data)
{
    const SettingsStore::LoadResult contents = SettingsStore::parse(data);
    if (contents.status == SettingsStore::LoadStatus::Corrupt) {
        if (contents.error.isEmpty())
            broken("refused without a reason");
        return;
    }
    for (const SettingsSchema::Key &key : SettingsSchema::keys())
        if (!contents.values.contains(key.name) || !valid(&key, contents.values.value(key.name)))
            broken("loaded a value it must refuse");
    if (contents.status == SettingsStore::LoadStatus::Newer)
        return;
    const SettingsStore::LoadResult again = SettingsStore::parse(SettingsStore::serialize(contents.values, contents.unknown));
    if (again.status != SettingsStore::LoadStatus::Loaded || !again.dropped.isEmpty() || again.values != contents.values || again.unknown != contents.unknown)
        broken("what was saved does not load as it was");
}

// A refused "setSetting" changes nothing; an accepted one is a valid non-policy value, then held.
void fuzzSetSetting(const QByteArray &data)
{
    if (data.size() < 2)
        return;
    const int split = data.indexOf('\0', 1);
    const QByteArray keyBytes = data.mid(1, split < 0 ? -1 : split - 1);
    const QByteArray bytes = split < 0 ? QByteArray() : data.mid(split + 1);
    // Known keys are hard to guess from bytes: one byte from 0x80 on names them by number.
    const int index = keyBytes.size() == 1 ? int(uint8_t(keyBytes.at(0))) - 0x80 : -1;
    const QString key = index >= 0 && index < SettingsSchema::keys().size() ? SettingsSchema::keys().at(index).name : QString::fromUtf8(keyBytes);
    const QVariant values[] = {!bytes.isEmpty() && (bytes.at(0) & 1), QString::fromUtf8(bytes), bytes.size(), bytes.size() / 3.0,
                               bytes, QString::fromUtf8(bytes).split(','), QVariantMap{{QString::fromUtf8(bytes), true}}, QVariant()};
    const QVariant value = values[uint8_t(data.at(0)) % 8];

    static QTemporaryDir dir(QDir(QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()).filePath("storefuzzer-XXXXXX"));
    static SettingsStore store(dir.filePath("settings.json")); // tmpfs: every accepted change is saved with fsync
    static SettingsService service(&store, SettingsSchema::defaults());
    const QVariant before = service.value(key);
    QString errorName, errorMessage;
    if (service.store(key, value, false, &errorName, &errorMessage)) {
        const SettingsSchema::Key *entry = SettingsSchema::find(key);
        if (!valid(entry, value) || entry->policy || service.value(key) != value)
            broken("accepted a value it must refuse, or holds another");
    } else if (errorName.isEmpty() || errorMessage.isEmpty() || service.value(key) != before) {
        broken("refused without a reason, or changed anyway");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray data(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    bytes[0] & 1 ? fuzzSetSetting(data) : fuzzLoader(data);
    return 0;
}
