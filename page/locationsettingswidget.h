// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCATIONSETTINGSWIDGET_H
#define LOCATIONSETTINGSWIDGET_H

#include <zepstylablewidget.h>

class NetworkConnectivityContainer;
class NetworkPositioningContainer;
class OvApplicationWindow;
class OvLabel;
class OvSeparator;
class OvStylableWidget;
class SatellitePositioningContainer;
class ZepWidget;
class QTimer;

/*
 * The location settings page: a heading, a divider and the three sections, one below the
 * other, in one column for both orientations. The page loads the "locationsettings"
 * catalogue before it builds anything, so that every text of its own and of the sections
 * resolves. It keeps no setting values: each section talks to the daemon itself. While the
 * daemon does not answer, a notice under the heading says so and the controls are off, so
 * that nothing offers a state nobody read; a refused write is told the same way.
 */
class LocationSettingsWidget : public ZepStylableWidget
{
    Q_OBJECT

public:
    enum PageType {
        MainPage = 0,
        SubPage = 1
    };

    explicit LocationSettingsWidget(ZepWidget *parent = nullptr);
    ~LocationSettingsWidget() override;

    void initWidget();
    void appear(OvApplicationWindow *applicationWindow, PageType pageType);
    void changeWidgetPage(int widgetId);

private:
    void showAvailability();
    void daemonReturned();
    void showNotice(const QString &text);
    // Until the daemon answers a later write, or for a few seconds.
    void showPassingNotice(const QString &text);
    void hideNotice();

    OvLabel *m_positioningLabel = nullptr;
    OvSeparator *m_positioningLabelSeparator = nullptr;
    OvStylableWidget *m_networkPositioningLabelSpacer = nullptr;
    NetworkPositioningContainer *m_networkPositioningContainer = nullptr;
    NetworkConnectivityContainer *m_networkConnectivityContainer = nullptr;
    SatellitePositioningContainer *m_satellitePositioningContainer = nullptr;
    // In the page's column, under the heading, only while there is something to tell.
    OvLabel *m_noticeLabel = nullptr;
    QTimer *m_noticeTimer = nullptr;
};

#endif
