// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVCOMBOBOXPOPUP_H
#define OVCOMBOBOXPOPUP_H

#include "ovwidgetcontroller.h"

class OvComboBox;

/*
 * The list a combo box opens over its scene: a heading and one row per entry. A click on a
 * row chooses it; a click outside the rows, or Escape, closes it without a choice. Its
 * object name is "ov_combobox_popup".
 */
class ORVIK_EXPORT OvComboBoxPopup : public OvWidgetController
{
    Q_OBJECT

public:
    explicit OvComboBoxPopup(OvComboBox *comboBox);
    ~OvComboBoxPopup() override;

    OvComboBox *comboBox() const;

    // Scene rectangle of a row, for whoever needs to point at it.
    QRectF rowSceneRect(int index) const;

    QString styleType() const override; // "OvComboBoxPopupStyle"

signals:
    void chosen(int index);
    void dismissed();
};

#endif
