// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSTORE_H
#define SETTINGSSTORE_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

/*
 * The daemon's settings file. A save goes to a temporary file in the same folder, which is
 * synced and renamed over the store, and the folder is synced; any step that fails leaves
 * the store as it was, byte for byte. Nothing but a regular file is ever read, moved or
 * replaced. When the store's path is a symbolic link, the file it leads to is replaced, in
 * its own folder, and the link stays (a dangling link gets its file). A file that exists but
 * cannot be read is neither moved nor replaced: it is not a corrupt one.
 *
 * Format: {"format": 1, "settings": {"Positioning": true, ...}}. Values are checked key by
 * key: a bad one falls back to its default alone, and the file as it was is copied aside
 * before the first save writes over it. Keys this
 * daemon does not know are kept as they are and written back. A file of a newer format is
 * read as far as it can be and never written.
 */
class SettingsStore
{
public:
    enum class LoadStatus { Loaded, Missing, Corrupt, Newer, NotAFile, Unreadable };
    // The system calls of a save, in their order.
    enum class Step { Open, Write, Sync, Close, Rename, SyncFolder };

    // What a load found; parse() fills it as far as the contents tell (Loaded, Corrupt, Newer).
    struct LoadResult {
        LoadStatus status = LoadStatus::Missing;
        QVariantMap values;   // every known key; defaults where the file has none
        QJsonObject unknown;  // Loaded: entries of keys this daemon does not know
        QString error;        // why the file was refused, or is not written
        QStringList dropped;  // "Key: reason" for values that fell back to their default
        QString movedTo;      // Corrupt: where the file went; empty if it could not be moved
    };

    explicit SettingsStore(const QString &fileName);
    virtual ~SettingsStore();

    QString fileName() const;
    static QString defaultFileName(); // $XDG_CONFIG_HOME/locatord/settings.json

    LoadResult load();
    // Temporary files of saves that a crash cut short; only for the daemon that owns the store.
    void removeLeftovers() const;
    bool save(const QVariantMap &values, QString *error);

    // Pure parsing of the file contents, without touching the disk.
    static LoadResult parse(const QByteArray &data);
    static QByteArray serialize(const QVariantMap &values, const QJsonObject &unknown);

protected:
    // Asked before each system call of a save: an errno makes that call fail as if the system
    // had refused it. Lets tests fail every step; the daemon's own store never does.
    virtual int failure(Step step) const;

private:
    // Written aside, synced and renamed over target. When the folder cannot be synced after
    // the rename, previous (or nothing, if target did not exist) is put back.
    bool replace(const QString &target, const QByteArray &data, QString *error, const QByteArray *previous) const;
    QString moveAside(const QString &file, QString *error) const;
    // Why a save may not write over the file; empty when it may.
    QString refusal() const;
    static QString uniqueName(const QString &file, const QString &suffix);
    // The path with every symbolic link at its end followed: the file a save replaces.
    bool resolve(QString *target, QString *error) const;

    QString m_fileName;
    QJsonObject m_unknown;
    // What the last load left on disk: a save writes over a file only if it was Loaded or is
    // Missing (a corrupt one moved aside counts as missing).
    LoadStatus m_state = LoadStatus::Missing;
    QString m_newerFormat;
    QByteArray m_original; // values were dropped: the file as read, to be copied before a save
    QByteArray m_onDisk;   // the file as last read or written; null while there is none
};

#endif
