// SPDX-License-Identifier: GPL-2.0-or-later
// A valid Qt plug-in of some other kind.
#include <QObject>
#include <QtPlugin>

class Plugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.ImageFormat/1.0")
};

#include "foreigniidplugin.moc"
