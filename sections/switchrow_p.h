// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SWITCHROW_P_H
#define SWITCHROW_P_H

#include <QString>

class LocationSettingsListItem;
class OvButton;
class QObject;
class SettingsInterface;

/*
 * The row the two network sections share: a title above a description, with a switch that
 * shows one boolean setting of the daemon. The sections keep the row's widgets in their own
 * members and lay them out; the row reads and writes the setting.
 */
class SwitchRow
{
public:
    struct Names {
        QString item, title, subtitle, button;
    };

    SwitchRow(SettingsInterface *settings, const QString &key, const Names &names);

    // Made without parent; the switch shows the stored value and writes nothing.
    void create(const QString &title, const QString &subtitle);
    LocationSettingsListItem *listItem() const { return m_listItem; }
    OvButton *button() const { return m_button; }

    // A toggle of the switch: true when it came from the row's switch and the daemon stored
    // it. A refused one writes notStoredWarning and shows the stored state again; a toggle
    // the row made itself is not the user's and writes nothing.
    bool store(QObject *sender, bool checked, const char *notStoredWarning);
    // Shows the stored value again, writing nothing; a failed read keeps the switch as it is.
    void showStoredState();
    void setEnabled(bool enabled);

private:
    void showState(bool checked);

    SettingsInterface *m_settings;
    QString m_key;
    Names m_names;
    LocationSettingsListItem *m_listItem = nullptr;
    OvButton *m_button = nullptr;
    bool m_showingState = false;
};

#endif
