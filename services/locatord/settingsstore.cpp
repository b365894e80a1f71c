// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsstore.h"

#include "locatordlogging.h"
#include "settingsschema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const int formatVersion = 1;
const auto formatField = QLatin1String("format");
const auto settingsField = QLatin1String("settings");
const auto tempInfix = QLatin1String(".tmp-");

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}

QString systemError(int error)
{
    return qt_error_string(error);
}

int syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return result;
}

QByteArray encode(const QString &name)
{
    return QFile::encodeName(name);
}

// A value as one line of JSON, without the array it is written in.
QByteArray compact(const QJsonValue &value)
{
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2);
}

void appendJsonString(QByteArray *out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out->append('"');
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out->append('\\').append(c);
        } else if (uchar(c) < 0x20) {
            const char escaped[] = {'\\', 'u', '0', '0', hex[uchar(c) >> 4], hex[uchar(c) & 15]};
            out->append(escaped, sizeof escaped);
        } else {
            out->append(c);
        }
    }
    out->append('"');
}

bool nestsAtMost(const QJsonValue &value, int levels)
{
    if (!value.isArray() && !value.isObject())
        return true;
    if (levels == 0)
        return false;
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [levels](const QJsonValue &v) { return nestsAtMost(v, levels - 1); });
    }
    const QJsonObject object = value.toObject();
    return std::all_of(object.begin(), object.end(), [levels](const QJsonValue &v) { return nestsAtMost(v, levels - 1); });
}
}

SettingsStore::Seen::Seen(const struct stat &st)
    : exists(true), device(st.st_dev), inode(st.st_ino), size(st.st_size), seconds(st.st_mtim.tv_sec),
      nanoseconds(st.st_mtim.tv_nsec)
{
}

SettingsStore::SettingsStore(const QString &fileName)
    : m_fileName(fileName)
{
}

SettingsStore::~SettingsStore()
{
    forgetFolder();
}

QString SettingsStore::fileName() const
{
    return m_fileName;
}

QString SettingsStore::defaultFileName()
{
    // GenericConfigLocation follows $XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/locatord/settings.json");
}

int SettingsStore::failure(Step) const
{
    return 0;
}

SettingsStore::LoadResult SettingsStore::parse(const QByteArray &data)
{
    LoadResult result;
    result.status = LoadStatus::Corrupt;
    result.values = SettingsSchema::defaults();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("not valid JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
        return result;
    }
    if (!doc.isObject()) {
        result.error = QStringLiteral("the top level is not an object");
        return result;
    }
    const QJsonObject top = doc.object();
    const QJsonValue format = top.value(formatField);
    const double number = format.toDouble();
    if (!format.isDouble() || !(number >= formatVersion) || std::trunc(number) != number) {
        result.error = QStringLiteral("unsupported format %1")
                           .arg(QString::fromUtf8(QJsonDocument(QJsonArray{format}).toJson(QJsonDocument::Compact)));
        return result;
    }
    const QJsonValue settings = top.value(settingsField);
    if (number > formatVersion) {
        // A newer daemon's file: whatever of it this one understands is served, nothing more.
        result.status = LoadStatus::Newer;
        result.error = QStringLiteral("format %1").arg(number, 0, 'g', 17);
    } else if (!settings.isObject()) {
        result.error = QStringLiteral("\"settings\" is missing or not an object");
        return result;
    } else {
        result.status = LoadStatus::Loaded;
    }

    const QJsonObject entries = settings.toObject();
    qsizetype unknownBytes = 0;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const SettingsSchema::Key *key = SettingsSchema::find(it.key());
        if (!key) {
            // Kept for a newer daemon, within bounds: nobody here reads them.
            if (!nestsAtMost(it.value(), maxUnknownDepth)) {
                result.dropped << QStringLiteral("%1: a key this daemon does not know, nested deeper than %2 levels; left out")
                                      .arg(SettingsSchema::quoted(it.key()))
                                      .arg(maxUnknownDepth);
                continue;
            }
            QByteArray name;
            appendJsonString(&name, it.key());
            const qsizetype bytes = name.size() + compact(it.value()).size();
            if (unknownBytes + bytes > maxUnknownBytes) {
                result.dropped << QStringLiteral("%1: a key this daemon does not know, past %2 KiB of such keys; left out")
                                      .arg(SettingsSchema::quoted(it.key()))
                                      .arg(maxUnknownBytes / 1024);
                continue;
            }
            unknownBytes += bytes;
            result.unknown.insert(it.key(), it.value());
            continue;
        }
        const QVariant value = it.value().toVariant();
        QString errorName;
        QString message;
        if (SettingsSchema::validate(*key, value, &errorName, &message))
            result.values.insert(key->name, value);
        else
            result.dropped << message + QLatin1String("; using the default");
    }
    return result;
}

QByteArray SettingsStore::serialize(const QVariantMap &values, const QJsonObject &unknown)
{
    // One entry a line, each value compact: indenting nested values would grow the file with
    // their depth. The known values are written by hand, a JSON document each costs more
    // than the rest of a save's work.
    QByteArray text;
    text.reserve(512);
    text += "{\n    \"format\": " + QByteArray::number(formatVersion) + ",\n    \"settings\": {";
    const char *separator = "\n        ";
    const auto entry = [&](const QString &key) {
        text += separator;
        separator = ",\n        ";
        appendJsonString(&text, key);
        text += ": ";
    };
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        entry(key.name);
        const QVariant value = values.value(key.name, key.defaultValue);
        if (value.typeId() == QMetaType::Bool)
            text += value.toBool() ? "true" : "false";
        else if (value.typeId() == QMetaType::QString)
            appendJsonString(&text, value.toString());
        else
            text += compact(QJsonValue::fromVariant(value));
    }
    for (auto it = unknown.begin(); it != unknown.end(); ++it) {
        entry(it.key());
        text += compact(it.value());
    }
    return text + "\n    }\n}\n";
}

SettingsStore::LoadResult SettingsStore::load()
{
    LoadResult result;
    result.values = SettingsSchema::defaults();
    m_unknown = QJsonObject();
    m_original.clear();
    m_onDisk.clear();
    m_newerFormat.clear();
    m_seen = Seen();
    forgetFolder();

    const QByteArray path = encode(m_fileName);
    const auto unreadable = [&](int code) {
        m_state = result.status = LoadStatus::Unreadable;
        result.error = QStringLiteral("cannot be read: %1").arg(systemError(code));
        return result;
    };
    struct stat st;
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            m_state = result.status = LoadStatus::Missing;
            return result;
        }
        return unreadable(errno);
    }
    // Checked before opening, and again on what was opened: a FIFO must not block the start.
    int fd = -1;
    if (S_ISREG(st.st_mode)) {
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return unreadable(errno);
        if (::fstat(fd, &st) != 0) {
            const int code = errno;
            ::close(fd);
            return unreadable(code);
        }
        // Swapped since the check: st now tells what was opened.
        if (!S_ISREG(st.st_mode))
            ::close(fd);
    }
    m_seen = Seen(st);
    if (!S_ISREG(st.st_mode)) {
        m_state = result.status = LoadStatus::NotAFile;
        result.error = QStringLiteral("is %1, not a regular file").arg(kindOf(st.st_mode));
        return result;
    }

    QByteArray data;
    for (;;) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return unreadable(code);
        }
        if (n == 0)
            break;
        data.append(buffer, n);
    }
    ::close(fd);

    result = parse(data);
    m_state = result.status;
    if (result.status == LoadStatus::Corrupt) {
        QString moveError;
        QString target;
        if (resolve(&target, &moveError))
            result.movedTo = moveAside(target, &moveError);
        if (result.movedTo.isEmpty()) {
            result.error += QStringLiteral("; it could not be moved aside: %1").arg(moveError);
        } else {
            m_state = LoadStatus::Missing;
            m_seen = Seen();
        }
        return result;
    }
    if (result.status == LoadStatus::Newer) {
        m_newerFormat = result.error;
        result.error = refusal();
        result.unknown = QJsonObject();
        return result;
    }
    m_onDisk = data.isNull() ? QByteArray("") : data;
    m_unknown = result.unknown;
    if (!result.dropped.isEmpty())
        m_original = m_onDisk;
    return result;
}

QString SettingsStore::refusal() const
{
    switch (m_state) {
    case LoadStatus::Loaded:
    case LoadStatus::Missing:
        break;
    case LoadStatus::Corrupt:
        return QStringLiteral("%1 could not be read nor moved aside; not writing over it").arg(m_fileName);
    case LoadStatus::Newer:
        return QStringLiteral("%1 belongs to a newer version of locatord (%2); it is read, never written")
            .arg(m_fileName, m_newerFormat);
    case LoadStatus::NotAFile:
        return QStringLiteral("%1 is not a regular file; not writing over it").arg(m_fileName);
    case LoadStatus::Unreadable:
        return QStringLiteral("%1 could not be read; not writing over it").arg(m_fileName);
    }
    return QString();
}

void SettingsStore::removeLeftovers() const
{
    QString target;
    QString ignored;
    if (!resolve(&target, &ignored))
        return;
    const QFileInfo info(target);
    const QFileInfoList stale = info.dir().entryInfoList({info.fileName() + tempInfix + QLatin1Char('*')},
                                                         QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &temp : stale) {
        if (!temp.isSymLink())
            ::unlink(encode(temp.filePath()).constData());
    }
}

QString SettingsStore::uniqueName(const QString &file, const QString &suffix)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = file + suffix + stamp;
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = file + suffix + stamp + QLatin1Char('-') + QString::number(n);
    return target;
}

QString SettingsStore::moveAside(const QString &file, QString *error) const
{
    const QString target = uniqueName(file, QStringLiteral(".corrupt-"));
    if (::rename(encode(file).constData(), encode(target).constData()) != 0) {
        *error = systemError(errno);
        return QString();
    }
    syncFolder(encode(QFileInfo(file).absolutePath()));
    return target;
}

bool SettingsStore::resolve(QString *target, QString *error) const
{
    QByteArray path = encode(m_fileName);
    // As many links as the kernel itself follows before it gives up with ELOOP.
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = QFile::decodeName(path);
            return true;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), link, sizeof link);
        if (n < 0 || size_t(n) >= sizeof link) {
            *error = QStringLiteral("cannot follow the link %1: %2").arg(QFile::decodeName(path), systemError(n < 0 ? errno : ENAMETOOLONG));
            return false;
        }
        const QByteArray next(link, n);
        const qsizetype slash = path.lastIndexOf('/');
        path = next.startsWith('/') || slash < 0 ? next : path.left(slash + 1) + next;
    }
    *error = QStringLiteral("cannot follow the link %1: %2").arg(m_fileName, systemError(ELOOP));
    return false;
}

bool SettingsStore::replace(const QString &target, int folder, const QByteArray &data, QString *error,
                            const QByteArray *previous, Seen *written, bool undo) const
{
    const QByteArray path = encode(target);
    QByteArray temp = path + tempInfix.data() + "XXXXXX";
    const auto fail = [&](const QString &what, int code) {
        *error = QStringLiteral("cannot %1 %2: %3").arg(what, target, systemError(code));
        return false;
    };
    // errno of the step when a test makes it fail, 0 otherwise.
    const auto injected = [this](Step step) {
        const int code = failure(step);
        if (code)
            errno = code;
        return code != 0;
    };

    const int fd = injected(Step::Open) ? -1 : ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("write"), errno);
    const auto discard = [&](const QString &what, int code, bool open) {
        if (open)
            ::close(fd);
        ::unlink(temp.constData());
        return fail(what, code);
    };

    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = injected(Step::Write) ? -1 : ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return discard(QStringLiteral("write"), n < 0 ? errno : ENOSPC, true);
        done += n;
    }
    if (injected(Step::Sync) || ::fsync(fd) != 0)
        return discard(QStringLiteral("sync"), errno, true);
    struct stat st;
    if (written && ::fstat(fd, &st) == 0)
        *written = Seen(st);
    // close() can report what the file system deferred; the descriptor is gone either way,
    // so a failure made by a test closes it too.
    const bool closeFails = injected(Step::Close);
    const int injectedCode = errno;
    if (::close(fd) != 0 || closeFails)
        return discard(QStringLiteral("write"), closeFails ? injectedCode : errno, false);

    if (injected(Step::Rename) || ::rename(temp.constData(), path.constData()) != 0)
        return discard(QStringLiteral("replace"), errno, false);
    if (injected(Step::SyncFolder) || ::fsync(folder) != 0) {
        // Not acknowledged, so not kept: what was there before goes back (written anew, the
        // same way; this second write does not roll back in turn).
        const int code = errno;
        QString ignored;
        if (undo && !previous)
            ::unlink(path.constData());
        else if (undo)
            replace(target, folder, *previous, &ignored, nullptr, nullptr, false);
        ::fsync(folder);
        return fail(QStringLiteral("sync the folder of"), code);
    }
    return true;
}

int SettingsStore::openFolder(QString *error)
{
    if (m_folder >= 0 && m_checked)
        return m_folder;
    forgetFolder();
    QString target;
    if (!resolve(&target, error))
        return -1;
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return -1;
    }
    m_folder = ::open(encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        *error = QStringLiteral("cannot open the folder %1: %2").arg(folder, systemError(errno));
        return -1;
    }
    m_target = target;
    return m_folder;
}

void SettingsStore::forgetFolder()
{
    if (m_folder >= 0)
        ::close(m_folder);
    m_folder = -1;
    m_target.clear();
}

bool SettingsStore::changedOnDisk()
{
    struct stat st;
    const Seen now = ::stat(encode(m_fileName).constData(), &st) == 0 ? Seen(st) : Seen();
    const bool changed = !(now == m_seen);
    // The file as it was left vouches for the folder kept open: a folder moved or replaced, a
    // link that leads elsewhere now, would show another file or none.
    if (changed || !now.exists)
        forgetFolder();
    m_checked = true;
    return changed;
}

bool SettingsStore::save(const QVariantMap &values, QString *error)
{
    const QString refused = refusal();
    if (!refused.isEmpty()) {
        *error = refused;
        return false;
    }
    const int folder = openFolder(error);
    m_checked = false;
    if (folder < 0)
        return false;
    if (!m_original.isNull()) {
        // The defaults are about to replace the values that were dropped: the file as it was first.
        const QString copy = uniqueName(m_target, QStringLiteral(".bad-"));
        QString copyError;
        if (!replace(copy, folder, m_original, &copyError, nullptr, nullptr)) {
            forgetFolder();
            *error = QStringLiteral("no copy of %1 could be kept (%2); not writing over it").arg(m_fileName, copyError);
            return false;
        }
        qCWarning(lcStore).noquote() << "the settings file as it was before values were dropped is kept as" << copy;
        m_original = QByteArray();
    }
    const QByteArray data = serialize(values, m_unknown);
    Seen written;
    if (!replace(m_target, folder, data, error, m_onDisk.isNull() ? nullptr : &m_onDisk, &written)) {
        // Looked for again: the folder may have gone, or a link changed.
        forgetFolder();
        return false;
    }
    m_onDisk = data;
    m_seen = written;
    return true;
}
