// SPDX-License-Identifier: GPL-2.0-or-later
#include "strangertext.h"

namespace {
constexpr char16_t replacement = 0xfffd;
constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popDirectionalIsolate = 0x2069;

bool isBidiControl(char32_t c)
{
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// What a code point is shown as; itself when it may be shown.
char32_t visible(char32_t c)
{
    if (c < 0x20)
        return 0x2400 + c; // the control pictures: ␀ … ␟, ␊ for a line feed
    if (c == 0x7f)
        return 0x2421; // ␡
    if ((c >= 0x80 && c <= 0x9f) || isBidiControl(c) || (c >= 0xd800 && c <= 0xdfff))
        return replacement;
    if (c == 0x2028 || c == 0x2029)
        return 0x2424; // ␤: a line or paragraph separator breaks the line as a newline does
    return c;
}

int utf8Bytes(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Stops before a character that would take the text over maxBytes in UTF-8, or over
// maxCharacters code points; *cut tells whether anything was left out.
QString cleaned(const QString &text, int maxBytes, int maxCharacters, bool *cut)
{
    QString out;
    out.reserve(qMin(text.size(), qsizetype(maxCharacters) * 2));
    int bytes = 0;
    int characters = 0;
    *cut = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        c = visible(c);
        bytes += utf8Bytes(c);
        if (bytes > maxBytes || ++characters > maxCharacters) {
            *cut = true;
            break;
        }
        if (QChar::requiresSurrogates(c)) {
            out += QChar(QChar::highSurrogate(c));
            out += QChar(QChar::lowSurrogate(c));
        } else {
            out += QChar(char16_t(c));
        }
    }
    return out;
}
}

QString StrangerText::name(const QString &text)
{
    bool cut = false;
    return cleaned(text, maxNameBytes, maxNameBytes, &cut);
}

QString StrangerText::line(const QString &text)
{
    bool cut = false;
    QString out = cleaned(text, 4 * maxLineCharacters, maxLineCharacters, &cut);
    if (cut)
        out += QChar(0x2026);
    return out;
}

QString StrangerText::isolated(const QString &cleaned)
{
    return QChar(firstStrongIsolate) + cleaned + QChar(popDirectionalIsolate);
}
