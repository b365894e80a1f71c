// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovbuttonmodel.h"

OvButtonModel::OvButtonModel(QObject *parent)
    : QObject(parent)
{
}

void OvButtonModel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit changed();
}

QString OvButtonModel::text() const
{
    return m_text;
}

void OvButtonModel::setCheckable(bool checkable)
{
    if (checkable == m_checkable)
        return;
    m_checkable = checkable;
    if (!checkable && m_checked) {
        m_checked = false;
        emit toggled(false);
    }
    emit changed();
}

bool OvButtonModel::isCheckable() const
{
    return m_checkable;
}

void OvButtonModel::setChecked(bool checked)
{
    // A button that cannot be checked stays unchecked, as a Qt button does.
    if (!m_checkable || checked == m_checked)
        return;
    m_checked = checked;
    emit toggled(checked);
    emit changed();
}

bool OvButtonModel::isChecked() const
{
    return m_checked;
}
