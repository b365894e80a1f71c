// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsstore.h"

#include "settingsschema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace {
const int formatVersion = 1;
const auto formatField = QLatin1String("format");
const auto settingsField = QLatin1String("settings");

// The rename is only durable once the folder entry itself reached the disk.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
}

SettingsStore::SettingsStore(const QString &fileName)
    : m_fileName(fileName)
{
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

bool SettingsStore::parse(const QByteArray &data, QVariantMap *values, QJsonObject *unknown, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not valid JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("the top level is not an object");
        return false;
    }
    const QJsonObject top = doc.object();
    const QJsonValue format = top.value(formatField);
    if (!format.isDouble() || format.toDouble() != formatVersion) {
        *error = QStringLiteral("unsupported format %1").arg(QString::fromUtf8(QJsonDocument(QJsonArray{format}).toJson(QJsonDocument::Compact)));
        return false;
    }
    const QJsonValue settings = top.value(settingsField);
    if (!settings.isObject()) {
        *error = QStringLiteral("\"settings\" is missing or not an object");
        return false;
    }

    QVariantMap result = SettingsSchema::defaults();
    QJsonObject rest;
    const QJsonObject entries = settings.toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const SettingsSchema::Key *key = SettingsSchema::find(it.key());
        if (!key) {
            rest.insert(it.key(), it.value());
            continue;
        }
        const bool ok = key->type == SettingsSchema::Type::Bool ? it.value().isBool() : it.value().isString();
        if (!ok) {
            *error = QStringLiteral("%1 is not a %2").arg(key->name, SettingsSchema::typeName(key->type));
            return false;
        }
        result.insert(key->name, it.value().toVariant());
    }
    *values = result;
    *unknown = rest;
    return true;
}

QByteArray SettingsStore::serialize(const QVariantMap &values, const QJsonObject &unknown)
{
    QJsonObject settings = unknown;
    for (const SettingsSchema::Key &key : SettingsSchema::keys())
        settings.insert(key.name, QJsonValue::fromVariant(values.value(key.name, key.defaultValue)));
    QJsonObject top;
    top.insert(formatField, formatVersion);
    top.insert(settingsField, settings);
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

SettingsStore::LoadResult SettingsStore::load()
{
    LoadResult result;
    result.values = SettingsSchema::defaults();
    m_unknown = QJsonObject();
    m_blocked = false;

    QFile file(m_fileName);
    if (!file.exists()) {
        result.status = LoadStatus::Missing;
        return result;
    }
    QVariantMap values;
    QJsonObject unknown;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("cannot be read: %1").arg(file.errorString());
    } else {
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            result.error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        else if (parse(data, &values, &unknown, &result.error)) {
            result.status = LoadStatus::Loaded;
            result.values = values;
            m_unknown = unknown;
            return result;
        }
    }
    result.status = LoadStatus::Corrupt;
    QString moveError;
    result.movedTo = moveAside(&moveError);
    if (result.movedTo.isEmpty()) {
        m_blocked = true;
        result.error += QStringLiteral("; it could not be moved aside: %1").arg(moveError);
    }
    return result;
}

QString SettingsStore::moveAside(QString *error) const
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = m_fileName + QLatin1String(".corrupt-") + stamp;
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = m_fileName + QLatin1String(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    QFile file(m_fileName);
    if (!file.rename(target)) {
        *error = file.errorString();
        return QString();
    }
    syncFolder(QFileInfo(m_fileName).absolutePath());
    return target;
}

bool SettingsStore::save(const QVariantMap &values, QString *error)
{
    if (m_blocked) {
        *error = QStringLiteral("%1 could not be read nor moved aside; not writing over it").arg(m_fileName);
        return false;
    }
    const QString folder = QFileInfo(m_fileName).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_fileName, file.errorString());
        return false;
    }
    const QByteArray data = serialize(values, m_unknown);
    if (file.write(data) != data.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_fileName, file.errorString());
        file.cancelWriting();
        return false;
    }
    syncFolder(folder);
    return true;
}
