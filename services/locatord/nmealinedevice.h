// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef NMEALINEDEVICE_H
#define NMEALINEDEVICE_H

#include <QByteArray>
#include <QIODevice>

/*
 * A read-only, sequential device holding whole NMEA lines for one reader. Lines are handed
 * in by the tee; what the reader does not take is bounded, the oldest lines go first.
 */
class NmeaLineDevice : public QIODevice
{
    Q_OBJECT

public:
    static constexpr qint64 maxPending = 16 * 1024;

    explicit NmeaLineDevice(QObject *parent = nullptr);

    // A line ending in '\n'; readyRead follows.
    void appendLine(const QByteArray &line);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool canReadLine() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QByteArray m_pending;
};

#endif
