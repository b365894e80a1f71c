// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BENCHUTIL_H
#define BENCHUTIL_H

#include <QDBusMessage>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class QElapsedTimer;

// Repeated measurements of one figure; the median is what we report.
class Samples
{
public:
    void add(double value) { m_values.append(value); }
    int count() const { return m_values.size(); }
    double median() const;
    double percentile(double p) const;
    double min() const;
    double max() const;
    // median, p10, p90, min, max and n, in the given unit
    QJsonObject toJson(const QString &unit) const;

private:
    QList<double> m_values;
};

// Resident set and heap of this process, in bytes.
qint64 residentBytes();
qint64 heapInUseBytes();

// Wall time and peak resident set of one child process.
struct ChildRun {
    bool ok = false;      // started and exited with status 0
    int exitCode = -1;
    double wallMs = 0;
    qint64 maxRssKiB = 0;
    QString error;
};
// Runs program with args and extraEnv (NAME=VALUE) added; its output goes to outputFile
// (standard output and error), or nowhere when it is empty.
ChildRun runChild(const QString &program, const QStringList &args, const QStringList &extraEnv = {},
                  const QString &outputFile = QString());

// What every mode does with its arguments (after the mode's name) and its result.
int intOption(int argc, char **argv, const char *name, int fallback);
QString stringOption(int argc, char **argv, const char *name);
bool hasOption(int argc, char **argv, const char *name);
// Prints the result as one line of JSON; the mode's exit status.
int report(const QJsonObject &result);
// Says why the mode gave up; its exit status.
int fail(const QString &text);

double elapsedUs(const QElapsedTimer &timer);
QJsonObject timingJson(const Samples &total, const Samples &construct, const Samples &show, const Samples &paint);
QDBusMessage pingMessage();

// Where the build put the bench's programs and the plug-in.
QString buildDir();
QString binPath(const QString &name);
QString pluginPath();

#endif
