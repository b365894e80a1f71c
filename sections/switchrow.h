// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SWITCHROW_H
#define SWITCHROW_H

#include <ovbutton.h>

#include <QObject>
#include <QString>

class LocationSettingsListItem;
class SettingsInterface;

/*
 * A switch bound to one boolean setting of the daemon, with an optional title and
 * description beside it: it shows the stored value, stores each toggle of its own switch and
 * follows the daemon's changes of its key. A refused toggle writes the row's warning and
 * shows the stored state again. The sections only lay the row out and trace what it does.
 */
class SwitchRow : public QObject
{
    Q_OBJECT

public:
    struct Names {
        QString item, title, subtitle, button;
    };

    SwitchRow(SettingsInterface *settings, const QString &key, const Names &names, const char *notStoredWarning);

    // Made without parent; the switch shows the stored value and writes nothing.
    void create(const QString &title, const QString &subtitle);
    void createSwitch();
    LocationSettingsListItem *listItem() const { return m_listItem; }
    OvButton *button() const { return m_button; }

    // Connects the switch, the section's trace of a toggle first, then the row's own handlers.
    template <class Section>
    void bind(Section *section, void (Section::*traceToggle)(bool), void (Section::*stored)(bool))
    {
        connect(m_button, &OvButton::toggled, section, traceToggle);
        connect(this, &SwitchRow::stored, section, stored);
        bind();
    }

    // The toggle came from the user, through this row's switch; the row sets it from code
    // only to show what the daemon holds.
    bool isUsersToggle(QObject *sender) const;
    // As isUsersToggle(), but a toggle from anything else than a switch of this row's name
    // is reported.
    bool isRecognized(QObject *sender) const;
    // Shows the stored value again, writing nothing; a failed read keeps the switch as it is.
    void showStoredState();
    void setEnabled(bool enabled);

signals:
    void stored(bool checked);

private:
    void bind();
    void store(bool checked);
    void showState(bool checked);

    SettingsInterface *m_settings;
    QString m_key;
    Names m_names;
    const char *m_notStoredWarning;
    LocationSettingsListItem *m_listItem = nullptr;
    OvButton *m_button = nullptr;
    bool m_showingState = false;
};

#endif
