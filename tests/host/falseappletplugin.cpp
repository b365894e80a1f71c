// SPDX-License-Identifier: GPL-2.0-or-later
// Claims the applet interface id in its metadata but its instance does not implement it.
#include <QObject>
#include <QtPlugin>

class Plugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.telva.ov.core.ZepAppletIf/1.0")
};

#include "falseappletplugin.moc"
