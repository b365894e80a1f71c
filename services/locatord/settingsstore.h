// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSTORE_H
#define SETTINGSSTORE_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QVariantMap>

/*
 * The daemon's settings file. A save is atomic (temporary file, fsync, rename), so the file
 * always holds either the old or the new values. A file that cannot be read or understood
 * is moved aside, never overwritten, and the caller starts from the defaults.
 *
 * Format: {"format": 1, "settings": {"Positioning": true, ...}}. Keys this daemon does not
 * know are kept as they are and written back.
 */
class SettingsStore
{
public:
    enum class LoadStatus { Loaded, Missing, Corrupt };

    struct LoadResult {
        LoadStatus status = LoadStatus::Missing;
        QVariantMap values;   // every known key; defaults where the file has none
        QString error;        // why the file was refused
        QString movedTo;      // where a refused file went; empty if it could not be moved
    };

    explicit SettingsStore(const QString &fileName);

    QString fileName() const;
    static QString defaultFileName(); // $XDG_CONFIG_HOME/locatord/settings.json

    LoadResult load();
    bool save(const QVariantMap &values, QString *error);

    // Pure parsing of the file contents, without touching the disk.
    static bool parse(const QByteArray &data, QVariantMap *values, QJsonObject *unknown, QString *error);
    static QByteArray serialize(const QVariantMap &values, const QJsonObject &unknown);

private:
    QString moveAside(QString *error) const;

    QString m_fileName;
    QJsonObject m_unknown;
    bool m_blocked = false; // a refused file is still in the way: never write over it
};

#endif
