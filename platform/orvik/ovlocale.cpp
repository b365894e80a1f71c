// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovlocale.h"
#include "ovlog_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
#include <QtDebug>

#include <dlfcn.h>

namespace {

struct DefaultLocale {
    QString name;
    QStringList catalogs;
    QList<QPointer<QTranslator>> translators;
};

DefaultLocale &defaultLocale()
{
    static auto *locale = new DefaultLocale;
    return *locale;
}

// "de_DE.UTF-8@euro" -> "de_DE"; "C" and "POSIX" mean no language: English.
QString normalized(QString language)
{
    // A plain scan: a regular expression here cost the host's start its compiler.
    for (qsizetype i = 0; i < language.size(); ++i) {
        if (language.at(i) == QLatin1Char('.') || language.at(i) == QLatin1Char('@')) {
            language.truncate(i);
            break;
        }
    }
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX"))
        return QString();
    return language;
}

QString languageFromEnvironment()
{
    const QStringList languages = qEnvironmentVariable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &l : languages) {
        const QString n = normalized(l);
        if (!n.isEmpty())
            return n;
    }
    for (const char *var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (value.isEmpty())
            continue;
        // The first variable that is set decides, even when it names no language.
        const QString n = normalized(value);
        return n.isEmpty() ? QStringLiteral("en") : n;
    }
    return QStringLiteral("en");
}

// The files to try for a catalogue, most specific first.
QStringList candidateFiles(const QString &catalog, const QString &language)
{
    QStringList names;
    if (!language.isEmpty()) {
        names << catalog + QLatin1Char('_') + language + QLatin1String(".qm");
        const int underscore = language.indexOf(QLatin1Char('_'));
        if (underscore > 0)
            names << catalog + QLatin1Char('_') + language.left(underscore) + QLatin1String(".qm");
    }
    names << catalog + QLatin1String("_en.qm") << catalog + QLatin1String(".qm");
    names.removeDuplicates();
    return names;
}

// The folder this library was loaded from, so that catalogues are found relative to it.
QString libraryFolder()
{
    static const int anchor = 0;
    Dl_info info;
    if (!dladdr(&anchor, &info) || !info.dli_fname)
        return QString();
    // The loader may name the library through a symlinked folder (/lib -> usr/lib on a
    // merged /usr), from which the relative way to the catalogues leads nowhere.
    const QFileInfo library(QString::fromLocal8Bit(info.dli_fname));
    const QString real = library.canonicalFilePath();
    return QFileInfo(real.isEmpty() ? library.absoluteFilePath() : real).absolutePath();
}

QString findCatalog(const QString &catalog, const QString &language)
{
    const QStringList paths = OvLocale::translationPaths();
    for (const QString &name : candidateFiles(catalog, language)) {
        for (const QString &path : paths) {
            const QFileInfo info(QDir(path), name);
            if (info.isFile())
                return info.absoluteFilePath();
        }
    }
    return QString();
}

} // namespace

OvLocale::OvLocale(QObject *parent)
    : QObject(parent)
    , m_name(languageFromEnvironment())
{
}

OvLocale::OvLocale(const QString &language, QObject *parent)
    : QObject(parent)
    , m_name(normalized(language).isEmpty() ? QStringLiteral("en") : normalized(language))
{
}

OvLocale::~OvLocale() = default;

QString OvLocale::name() const
{
    return m_name;
}

Qt::LayoutDirection OvLocale::layoutDirection() const
{
    return QLocale(m_name).textDirection();
}

void OvLocale::installTrCatalog(const QString &name)
{
    if (name.isEmpty() || m_catalogs.contains(name))
        return;
    m_catalogs.append(name);
}

void OvLocale::removeTrCatalog(const QString &name)
{
    m_catalogs.removeAll(name);
}

QStringList OvLocale::trCatalogs() const
{
    return m_catalogs;
}

void OvLocale::setDefault(const OvLocale &locale)
{
    DefaultLocale &def = defaultLocale();
    for (const QPointer<QTranslator> &t : std::as_const(def.translators)) {
        if (t) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
    def.translators.clear();
    def.name = locale.m_name;
    def.catalogs = locale.m_catalogs;
    QLocale::setDefault(QLocale(def.name));

    if (!QCoreApplication::instance()) {
        if (!def.catalogs.isEmpty())
            qCWarning(lcOvLocale, "OvLocale::setDefault: no application object to install the catalogues into");
        return;
    }
    for (const QString &catalog : std::as_const(def.catalogs)) {
        const QString file = findCatalog(catalog, def.name);
        if (file.isEmpty()) {
            qCWarning(lcOvLocale).noquote() << "OvLocale: no translation catalogue" << catalog << "for language"
                                 << def.name << "in" << translationPaths().join(QLatin1Char(':'));
            continue;
        }
        // Parented to the application, so that they go with it if nobody replaces them.
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(file)) {
            qCWarning(lcOvLocale).noquote() << "OvLocale: cannot load the translation catalogue" << file;
            delete translator;
            continue;
        }
        QCoreApplication::installTranslator(translator);
        def.translators.append(translator);
    }
}

QString OvLocale::defaultName()
{
    // Before anyone made a default, the environment's language is it.
    const QString name = defaultLocale().name;
    return name.isEmpty() ? languageFromEnvironment() : name;
}

Qt::LayoutDirection OvLocale::defaultLayoutDirection()
{
    return QLocale(defaultName()).textDirection();
}

QStringList OvLocale::defaultTrCatalogs()
{
    return defaultLocale().catalogs;
}

QStringList OvLocale::translationPaths()
{
    QStringList paths = qEnvironmentVariable("ORVIK_TRANSLATIONS_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString folder = libraryFolder();
    if (!folder.isEmpty()) {
        for (const QString &relative : QStringLiteral(ORVIK_TRANSLATIONS_FROM_LIB).split(QLatin1Char(':'), Qt::SkipEmptyParts))
            paths << QDir::cleanPath(QDir(folder).filePath(relative));
    }
    paths.removeDuplicates();
    return paths;
}
