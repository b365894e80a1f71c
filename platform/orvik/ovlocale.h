// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLOCALE_H
#define OVLOCALE_H

#include "orvikexport.h"

#include <QObject>
#include <QStringList>

/*
 * A language with its translation catalogues. installTrCatalog() adds a catalogue by name;
 * setDefault() makes a locale the process's default, after which qtTrId() resolves the ids
 * of its catalogues. Catalogues are id-based Qt catalogues "<name>_<language>.qm", looked
 * up in $ORVIK_TRANSLATIONS_PATH (colon-separated), then in share/orvik/translations beside
 * the library's own lib/ folder (in the build tree: its translations folder); the language
 * comes from the environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), with English as
 * fallback. A locale's layout direction is its language's, by Qt's rule: right to left for
 * Arabic, Hebrew, Persian, Urdu and the like.
 */
class ORVIK_EXPORT OvLocale : public QObject
{
    Q_OBJECT

public:
    explicit OvLocale(QObject *parent = nullptr);
    OvLocale(const QString &language, QObject *parent = nullptr);
    ~OvLocale() override;

    QString name() const; // e.g. "en", "de"
    Qt::LayoutDirection layoutDirection() const;
    void installTrCatalog(const QString &name);
    void removeTrCatalog(const QString &name);
    QStringList trCatalogs() const;

    // Copies the locale into the process default and installs its catalogues.
    static void setDefault(const OvLocale &locale);
    static QString defaultName();
    static Qt::LayoutDirection defaultLayoutDirection();
    static QStringList defaultTrCatalogs();
    static QStringList translationPaths();

private:
    QString m_name;
    QStringList m_catalogs;
};

#endif
