// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovtextscale.h"

#include "ovlog_p.h"

#include <QString>

namespace {
qreal &current()
{
    static qreal value = [] {
        if (!qEnvironmentVariableIsSet("ORVIK_TEXT_SCALE"))
            return qreal(1);
        const QString text = qEnvironmentVariable("ORVIK_TEXT_SCALE");
        qreal factor = 1;
        if (!OvTextScale::parse(text, &factor)) {
            qCWarning(lcOvTextScale, "ORVIK_TEXT_SCALE is \"%s\", not a number from %g to %g: text keeps its normal size",
                      qPrintable(text), OvTextScale::minimum, OvTextScale::maximum);
            return qreal(1);
        }
        return factor;
    }();
    return value;
}
} // namespace

qreal OvTextScale::factor()
{
    return current();
}

bool OvTextScale::setFactor(qreal factor)
{
    if (!(factor >= minimum && factor <= maximum))
        return false;
    current() = factor;
    return true;
}

bool OvTextScale::parse(const QString &text, qreal *factor)
{
    bool ok = false;
    const qreal value = text.trimmed().toDouble(&ok);
    if (!ok || !(value >= minimum && value <= maximum))
        return false;
    *factor = value;
    return true;
}
