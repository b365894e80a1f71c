// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSTORE_H
#define SETTINGSSTORE_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

struct stat;

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
 * daemon does not know are kept as they are and written back, up to maxUnknownDepth levels of
 * nesting and maxUnknownBytes in all; the ones beyond are dropped like bad values. Each entry
 * is written on a line of its own, its value compact, so that no save makes the file much
 * larger than what was read. A file of a newer format is read as far as it can be and never
 * written.
 *
 * The file is one of several writers' (an editor, a backup restored): changedOnDisk() tells
 * whether someone else replaced or edited it since it was last read or written here.
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
        QStringList dropped;  // why each value fell back to its default, or an unknown key was left out
        QString movedTo;      // Corrupt: where the file went; empty if it could not be moved
    };

    static constexpr int maxUnknownDepth = 32;
    static constexpr int maxUnknownBytes = 64 * 1024;

    explicit SettingsStore(const QString &fileName);
    Q_DISABLE_COPY_MOVE(SettingsStore)
    virtual ~SettingsStore();

    QString fileName() const;
    static QString defaultFileName(); // $XDG_CONFIG_HOME/locatord/settings.json

    LoadResult load();
    // Temporary files of saves that a crash cut short; only for the daemon that owns the store.
    void removeLeftovers() const;
    bool save(const QVariantMap &values, QString *error);
    // One stat of the file: true when it is not the one last read or written here (another
    // file, another size or time, gone or newly there); then load() reads it again.
    bool changedOnDisk();

    // Pure parsing of the file contents, without touching the disk.
    static LoadResult parse(const QByteArray &data);
    static QByteArray serialize(const QVariantMap &values, const QJsonObject &unknown);

protected:
    // Asked before each system call of a save: an errno makes that call fail as if the system
    // had refused it. Lets tests fail every step; the daemon's own store never does.
    virtual int failure(Step step) const;

private:
    struct Seen;
    // Written aside, synced and renamed over target in folder (open), which is synced. When it
    // cannot be synced after the rename, previous is put back (none: the file was not there),
    // unless this is the putting back. written: what the new file is, for changedOnDisk().
    bool replace(const QString &target, int folder, const QByteArray &data, QString *error, const QByteArray *previous,
                 Seen *written, bool undo = true) const;
    QString moveAside(const QString &file, QString *error) const;
    // Why a save may not write over the file; empty when it may.
    QString refusal() const;
    static QString uniqueName(const QString &file, const QString &suffix);
    // The path with every symbolic link at its end followed: the file a save replaces.
    bool resolve(QString *target, QString *error) const;
    // The target and its open folder, made if missing. Kept from save to save while the
    // file's check before the save finds it as it was left; found again otherwise, and after
    // a failed save.
    int openFolder(QString *error);
    void forgetFolder();

    // What identifies the file as last read or written: device, inode, size, modification time.
    struct Seen {
        Seen() = default;
        explicit Seen(const struct stat &st);
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        bool operator==(const Seen &other) const
        {
            return exists == other.exists && device == other.device && inode == other.inode && size == other.size
                && seconds == other.seconds && nanoseconds == other.nanoseconds;
        }
    };
    Seen m_seen;
    QString m_target; // empty until found
    int m_folder = -1;
    bool m_checked = false; // changedOnDisk() ran since the last save

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
