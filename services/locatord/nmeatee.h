// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef NMEATEE_H
#define NMEATEE_H

#include <QByteArray>
#include <QObject>

class NmeaLineDevice;

/*
 * Cuts the receiver's byte stream into lines and hands each line to two readers, the
 * position source and the satellite source, which each want a device of their own. A line
 * longer than NMEA allows many times over is dropped whole; so are lines that are not text.
 */
class NmeaTee : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype maxLine = 1024;

    explicit NmeaTee(QObject *parent = nullptr);

    NmeaLineDevice *first() const { return m_first; }
    NmeaLineDevice *second() const { return m_second; }

    // Bytes as they came; returns the number of whole lines passed on.
    int feed(const QByteArray &bytes);
    // The stream ended: a partial line is no sentence.
    void reset();

    qsizetype bufferedBytes() const { return m_line.size(); }

private:
    bool passOn();

    NmeaLineDevice *m_first;
    NmeaLineDevice *m_second;
    QByteArray m_line;
    bool m_skipping = false; // inside an overlong line, until its end
};

#endif
