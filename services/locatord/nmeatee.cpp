// SPDX-License-Identifier: GPL-2.0-or-later
#include "nmeatee.h"

#include "nmealinedevice.h"

#include <algorithm>

namespace {
// "$...*HH": the XOR of everything between '$' and '*' as two hex digits. A sentence that
// fails it is damaged, and Qt would take it with its satellite system lost.
bool checksumHolds(const QByteArray &line)
{
    const qsizetype star = line.lastIndexOf('*');
    if (star < 1 || star + 3 != line.size())
        return false;
    bool ok = false;
    const uint expected = line.mid(star + 1, 2).toUInt(&ok, 16);
    if (!ok)
        return false;
    uint sum = 0;
    for (qsizetype i = 1; i < star; ++i)
        sum ^= uchar(line.at(i));
    return sum == expected;
}
}

NmeaTee::NmeaTee(QObject *parent)
    : QObject(parent)
    , m_first(new NmeaLineDevice(this))
    , m_second(new NmeaLineDevice(this))
{
}

int NmeaTee::feed(const QByteArray &bytes)
{
    int lines = 0;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', from);
        const qsizetype stop = end < 0 ? bytes.size() : end;
        if (!m_skipping) {
            m_line.append(bytes.constData() + from, stop - from);
            if (m_line.size() > maxLine) {
                m_line.clear();
                m_line.squeeze();
                m_skipping = true;
            }
        }
        if (end < 0)
            break;
        if (!m_skipping && passOn())
            ++lines;
        m_line.clear();
        m_skipping = false;
        from = end + 1;
    }
    return lines;
}

void NmeaTee::reset()
{
    m_line.clear();
    m_skipping = false;
}

bool NmeaTee::passOn()
{
    if (m_line.endsWith('\r'))
        m_line.chop(1);
    // Sentences are printable ASCII; binary noise would only be parsed to be thrown away.
    const bool text = std::all_of(m_line.cbegin(), m_line.cend(), [](char c) { return c >= 0x20 && c < 0x7f; });
    if (!text || !m_line.startsWith('$') || !checksumHolds(m_line))
        return false;
    m_line.append("\r\n");
    m_first->appendLine(m_line);
    m_second->appendLine(m_line);
    return true;
}
