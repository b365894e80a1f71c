// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer entry for the daemon's input checks: the store loader, and the checks that a
// "setSetting" value goes through before it is stored.
#include "settingsschema.h"
#include "settingsservice.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {
[[noreturn]] void broken(const char *what)
{
    fprintf(stderr, "storefuzzer: %s\n", what);
    abort();
}

QString storeFolder()
{
    // tmpfs when there is one: the service saves through fsync on every accepted change.
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isDir() ? QStringLiteral("/dev/shm/storefuzzer-XXXXXX")
                                                                      : QDir::tempPath() + QStringLiteral("/storefuzzer-XXXXXX"));
    return dir.path();
}

// The loader: whatever the bytes, parse() either refuses with a reason or gives every known
// key a value that passes the checks, and what it gives survives a save and a second load.
void fuzzLoader(const QByteArray &data)
{
    const SettingsStore::Contents contents = SettingsStore::parse(data);
    if (contents.kind == SettingsStore::Contents::Garbage) {
        if (contents.error.isEmpty())
            broken("refused without a reason");
        return;
    }
    for (const SettingsSchema::Key &key : SettingsSchema::keys()) {
        QString errorName;
        QString message;
        if (!contents.values.contains(key.name)
            || !SettingsSchema::validate(key, contents.values.value(key.name), &errorName, &message))
            broken("loaded a value it must refuse");
    }
    if (contents.kind == SettingsStore::Contents::Newer)
        return;
    const SettingsStore::Contents again = SettingsStore::parse(SettingsStore::serialize(contents.values, contents.unknown));
    if (again.kind != SettingsStore::Contents::Valid || !again.dropped.isEmpty())
        broken("what was saved does not load");
    if (again.values != contents.values || again.unknown != contents.unknown)
        broken("what was saved loads differently");
}

QVariant valueFrom(uint8_t type, const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    switch (type % 8) {
    case 0: return QVariant(!bytes.isEmpty() && (bytes.at(0) & 1));
    case 1: return QVariant(text);
    case 2: return QVariant(bytes.size());
    case 3: return QVariant(double(bytes.size()) / 3.0);
    case 4: return QVariant(bytes);
    case 5: return QVariant(text.split(QLatin1Char(',')));
    case 6: return QVariant(QVariantMap{{text, true}});
    default: return QVariant();
    }
}

// The "setSetting" checks: a refused value leaves everything as it was; an accepted one is
// a known, non-policy key with a value of its type, and is what the service then holds.
void fuzzSetSetting(const QByteArray &data)
{
    if (data.size() < 2)
        return;
    const uint8_t type = uint8_t(data.at(0));
    const int split = data.indexOf('\0', 1);
    const QByteArray keyBytes = split < 0 ? data.mid(1) : data.mid(1, split - 1);
    const QByteArray valueBytes = split < 0 ? QByteArray() : data.mid(split + 1);
    QString key = QString::fromUtf8(keyBytes);
    // Known keys are hard to guess from bytes: one byte from 0x80 on names them by number.
    const int index = keyBytes.size() == 1 ? int(uint8_t(keyBytes.at(0))) - 0x80 : -1;
    if (index >= 0 && index < SettingsSchema::keys().size())
        key = SettingsSchema::keys().at(index).name;
    const QVariant value = valueFrom(type, valueBytes);

    static SettingsStore store(storeFolder() + QStringLiteral("/settings.json"));
    static SettingsService service(&store, SettingsSchema::defaults());
    const QVariant before = service.value(key);
    QString errorName;
    QString errorMessage;
    const bool stored = service.store(key, value, false, &errorName, &errorMessage);
    const SettingsSchema::Key *entry = SettingsSchema::find(key);
    if (stored) {
        QString name;
        QString message;
        if (!entry || entry->policy || !SettingsSchema::validate(*entry, value, &name, &message))
            broken("accepted a value it must refuse");
        if (service.value(key) != value)
            broken("accepted a value and holds another");
    } else {
        if (errorName.isEmpty() || errorMessage.isEmpty())
            broken("refused without a reason");
        if (service.value(key) != before)
            broken("refused a value and changed anyway");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray data(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    if (bytes[0] & 1)
        fuzzSetSetting(data);
    else
        fuzzLoader(data);
    return 0;
}
