// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovstyle.h"
#include "ovlog_p.h"

#include "ovlocale.h"
#include "ovtextscale.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QLoggingCategory>
#include <QSet>
#include <QtDebug>

namespace {
const char *const themePath = ":/orvik/orvik.theme.json";

// Overlays src on dst; objects are merged key by key so that e.g. a style can change only
// the size of the font.
void merge(QVariantMap &dst, const QVariantMap &src)
{
    for (auto it = src.constBegin(); it != src.constEnd(); ++it) {
        if (it.value().typeId() == QMetaType::QVariantMap && dst.value(it.key()).typeId() == QMetaType::QVariantMap) {
            QVariantMap inner = dst.value(it.key()).toMap();
            merge(inner, it.value().toMap());
            dst.insert(it.key(), inner);
        } else {
            dst.insert(it.key(), it.value());
        }
    }
}
} // namespace

class OvTheme
{
public:
    static OvTheme &instance()
    {
        // Never destroyed: styles are handed out by reference to widgets that may outlive
        // static destruction of this library's users.
        static OvTheme *theme = new OvTheme;
        return *theme;
    }

    OvTheme()
    {
        QFile file(QString::fromLatin1(themePath));
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcOvTheme, "orvik: cannot open the theme %s: %s", themePath, qPrintable(file.errorString()));
            return;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
        if (!doc.isObject()) {
            qCWarning(lcOvTheme, "orvik: the theme %s is not valid JSON: %s", themePath, qPrintable(error.errorString()));
            return;
        }
        const QVariantMap root = doc.object().toVariantMap();
        m_name = root.value(QStringLiteral("name")).toString();
        m_palette = root.value(QStringLiteral("palette")).toMap();
        m_types = root.value(QStringLiteral("types")).toMap();
        m_styles = root.value(QStringLiteral("styles")).toMap();
        preferScriptFonts(root.value(QStringLiteral("scriptFonts")).toMap());
    }

    // A script whose letters the Latin faces draw poorly, or not at all in every weight, gets
    // its own faces in front. Chosen once for the process's language, so that painting never
    // asks; Latin text still falls back to the faces after them.
    void preferScriptFonts(const QVariantMap &byScript)
    {
        const QString script = QLocale::scriptToString(QLocale(OvLocale::defaultName()).script());
        const QStringList preferred = byScript.value(script).toStringList();
        if (preferred.isEmpty())
            return;
        const QString base = QStringLiteral("OvWidgetStyle");
        QVariantMap type = m_types.value(base).toMap();
        QVariantMap font = type.value(QStringLiteral("font")).toMap();
        font.insert(QStringLiteral("families"), preferred + font.value(QStringLiteral("families")).toStringList());
        type.insert(QStringLiteral("font"), font);
        m_types.insert(base, type);
    }

    // Resolves "@name" colour references against the palette.
    QVariant resolve(const QVariant &v) const
    {
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString();
            if (s.startsWith(QLatin1Char('@')))
                return m_palette.value(s.mid(1), s);
        }
        return v;
    }

    QVariantMap typeValues(const QString &type, int depth = 0) const
    {
        QVariantMap values;
        const QVariantMap own = m_types.value(type).toMap();
        QString parent = own.value(QStringLiteral("inherits")).toString();
        if (parent.isEmpty() && type != QLatin1String("OvWidgetStyle"))
            parent = QStringLiteral("OvWidgetStyle");
        if (!parent.isEmpty() && parent != type && depth < 8)
            values = typeValues(parent, depth + 1);
        merge(values, own);
        return values;
    }

    const OvStyle &style(const QString &type, const QString &viewType, const QString &name)
    {
        const QString key = type + QLatin1Char('/') + viewType + QLatin1Char('/') + name;
        if (const OvStyle *s = m_cache.value(key))
            return *s;

        QVariantMap values = typeValues(type);
        if (!viewType.isEmpty())
            merge(values, m_types.value(type + QLatin1Char(':') + viewType).toMap());
        if (!name.isEmpty()) {
            if (m_styles.contains(name)) {
                merge(values, m_styles.value(name).toMap());
            } else if (!m_warned.contains(name)) {
                m_warned.insert(name);
                qCWarning(lcOvTheme, "orvik: the theme has no style named \"%s\"; %s uses the plain style",
                         qPrintable(name), qPrintable(type));
            }
        }
        values.remove(QStringLiteral("inherits"));

        auto *s = new OvStyle;
        s->m_name = name;
        s->m_type = type;
        s->m_values = values;
        m_cache.insert(key, s);
        return *s;
    }

    QString m_name;
    QVariantMap m_palette;
    QVariantMap m_types;
    QVariantMap m_styles;
    QHash<QString, const OvStyle *> m_cache;
    QSet<QString> m_warned;
};

QString OvStyle::name() const { return m_name; }
QString OvStyle::type() const { return m_type; }

bool OvStyle::contains(const QString &key) const { return m_values.contains(key); }

QVariant OvStyle::value(const QString &key) const
{
    return OvTheme::instance().resolve(m_values.value(key));
}

QFont OvStyle::font(const QString &key) const
{
    const qreal scale = OvTextScale::factor();
    if (scale != m_fontsScale) {
        m_fonts.clear();
        m_fontsScale = scale;
    }
    const auto cached = m_fonts.constFind(key);
    if (cached != m_fonts.constEnd())
        return cached.value();
    QVariantMap fontValues = m_values.value(QStringLiteral("font")).toMap();
    if (key != QLatin1String("font"))
        merge(fontValues, m_values.value(key).toMap());
    QFont f;
    const QStringList families = fontValues.value(QStringLiteral("families")).toStringList();
    if (!families.isEmpty())
        f.setFamilies(families);
    if (fontValues.contains(QStringLiteral("pixelSize")))
        f.setPixelSize(qMax(1, qRound(fontValues.value(QStringLiteral("pixelSize")).toInt() * OvTextScale::factor())));
    if (fontValues.contains(QStringLiteral("weight")))
        f.setWeight(QFont::Weight(qBound(1, fontValues.value(QStringLiteral("weight")).toInt(), 1000)));
    if (fontValues.contains(QStringLiteral("italic")))
        f.setItalic(fontValues.value(QStringLiteral("italic")).toBool());
    if (fontValues.contains(QStringLiteral("letterSpacing")))
        f.setLetterSpacing(QFont::AbsoluteSpacing, fontValues.value(QStringLiteral("letterSpacing")).toReal());
    if (fontValues.value(QStringLiteral("capitalization")).toString() == QLatin1String("allUppercase"))
        f.setCapitalization(QFont::AllUppercase);
    f.setHintingPreference(QFont::PreferNoHinting);
    m_fonts.insert(key, f);
    return f;
}

QColor OvStyle::color(const QString &key, const QColor &fallback) const
{
    auto cached = m_colors.constFind(key);
    if (cached == m_colors.constEnd()) {
        QColor c;
        const QVariant v = value(key);
        if (v.isValid()) {
            const QString s = v.toString();
            if (s == QLatin1String("transparent") || s == QLatin1String("none"))
                c = QColor(Qt::transparent);
            else
                c = QColor::fromString(s);
        }
        cached = m_colors.insert(key, c);
    }
    return cached->isValid() ? cached.value() : fallback;
}

qreal OvStyle::number(const QString &key, qreal fallback) const
{
    auto cached = m_numbers.constFind(key);
    if (cached == m_numbers.constEnd()) {
        bool ok = false;
        const qreal n = value(key).toReal(&ok);
        cached = m_numbers.insert(key, ok ? QVariant(n) : QVariant());
    }
    return cached->isValid() ? cached->toReal() : fallback;
}

QString OvStyle::string(const QString &key, const QString &fallback) const
{
    const QVariant v = value(key);
    return v.isValid() ? v.toString() : fallback;
}

QMarginsF OvStyle::margins(const QString &key) const
{
    const auto cached = m_margins.constFind(key);
    if (cached != m_margins.constEnd())
        return cached.value();
    const QVariantList l = value(key).toList();
    QMarginsF m;
    if (l.size() == 4)
        m = QMarginsF(l.at(0).toReal(), l.at(1).toReal(), l.at(2).toReal(), l.at(3).toReal());
    else if (l.size() == 2)
        m = QMarginsF(l.at(0).toReal(), l.at(1).toReal(), l.at(0).toReal(), l.at(1).toReal());
    else if (l.size() == 1)
        m = QMarginsF(l.at(0).toReal(), l.at(0).toReal(), l.at(0).toReal(), l.at(0).toReal());
    m_margins.insert(key, m);
    return m;
}

QSizeF OvStyle::size(const QString &key) const
{
    const auto cached = m_sizes.constFind(key);
    if (cached != m_sizes.constEnd())
        return cached.value();
    const QVariantList l = value(key).toList();
    const QSizeF s = l.size() == 2 ? QSizeF(l.at(0).toReal(), l.at(1).toReal()) : QSizeF(-1, -1);
    m_sizes.insert(key, s);
    return s;
}

const OvStyle &OvStyle::lookup(const QString &type, const QString &viewType, const QString &name)
{
    return OvTheme::instance().style(type, viewType, name);
}

bool OvStyle::hasStyle(const QString &name)
{
    return OvTheme::instance().m_styles.contains(name);
}

QString OvStyle::themeFile() { return QString::fromLatin1(themePath); }
QString OvStyle::themeName() { return OvTheme::instance().m_name; }
