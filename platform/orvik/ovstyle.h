// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVSTYLE_H
#define OVSTYLE_H

#include "orvikexport.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

/*
 * One resolved entry of the theme: the defaults of a style type, overlaid with the entries
 * of its view type and of a style name. Values are read by key ("textColor", "paddings",
 * "minimumSize", ...); a missing key gives the accessor's default. Styles are shared and
 * live as long as the process.
 */
class ORVIK_EXPORT OvStyle
{
public:
    QString name() const;
    QString type() const;

    bool contains(const QString &key) const;
    QVariant value(const QString &key) const;

    // "font", or another font entry (e.g. "valueFont") laid over "font".
    QFont font(const QString &key = QStringLiteral("font")) const;
    QColor color(const QString &key, const QColor &fallback = QColor()) const;
    qreal number(const QString &key, qreal fallback = 0) const;
    QString string(const QString &key, const QString &fallback = QString()) const;
    QMarginsF margins(const QString &key) const; // [left, top, right, bottom]
    QSizeF size(const QString &key) const;       // [width, height]; -1 for unset parts

    // The style for a style type, view type and style name. An empty name gives the type's
    // default; a name the theme does not know gives the default too and is reported once.
    static const OvStyle &lookup(const QString &type, const QString &viewType, const QString &name);
    // Whether the theme has a style of this name.
    static bool hasStyle(const QString &name);
    // The theme's file and its name, as loaded.
    static QString themeFile();
    static QString themeName();

private:
    OvStyle() = default;
    friend class OvTheme;
    QString m_name;
    QString m_type;
    QVariantMap m_values;
    // A style never changes once made, and widgets ask it for the same few entries on every
    // size query and paint: what was once converted is kept.
    mutable QHash<QString, QFont> m_fonts;
    mutable qreal m_fontsScale = 0; // the text scale m_fonts were made for
    mutable QHash<QString, QColor> m_colors; // invalid: not a colour
    mutable QHash<QString, QMarginsF> m_margins;
    mutable QHash<QString, QSizeF> m_sizes;
    mutable QHash<QString, QVariant> m_numbers; // invalid: not a number
};

#endif
