// SPDX-License-Identifier: GPL-2.0-or-later
#include <ovlocale.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

QString sourceDir() { return qEnvironmentVariable("LS_SOURCE_DIR"); }
QString buildDir() { return qEnvironmentVariable("LS_BUILD_DIR"); }

// Every id of one catalogue that the program looks up, from the sources that ship (not the tests).
QMap<QString, QString> usedIds(const QString &prefix)
{
    QMap<QString, QString> ids; // id -> first file using it
    const QRegularExpression call(QStringLiteral("qtTrId\\s*\\(\\s*\"(%1[A-Za-z0-9_]*)\"").arg(prefix));
    for (const char *folder : {"applet", "page", "sections", "settings", "host", "platform"}) {
        QDirIterator it(sourceDir() + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            auto matches = call.globalMatch(text);
            while (matches.hasNext()) {
                const QString id = matches.next().captured(1);
                if (!ids.contains(id))
                    ids.insert(id, QDir(sourceDir()).relativeFilePath(file.fileName()));
            }
        }
    }
    return ids;
}

struct Catalogue {
    QString language;
    QMap<QString, QString> texts; // id -> translation
    QStringList unfinished;
};

Catalogue readTs(const QString &path)
{
    Catalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return catalogue;
    QXmlStreamReader xml(&file);
    QString id;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("TS")) {
            catalogue.language = xml.attributes().value("language").toString();
        } else if (xml.name() == QLatin1String("message")) {
            id = xml.attributes().value("id").toString();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
            const QString text = xml.readElementText();
            if (unfinished || text.trimmed().isEmpty())
                catalogue.unfinished.append(id);
            catalogue.texts.insert(id, text);
        }
    }
    return catalogue;
}

} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void testCataloguesMatchTheCode_data();
    void testCataloguesMatchTheCode();
    void testCompiledCataloguesResolve_data() { testCataloguesMatchTheCode_data(); }
    void testCompiledCataloguesResolve();
    void testLanguageFromEnvironment_data();
    void testLanguageFromEnvironment();
};

void TranslationsTest::testCataloguesMatchTheCode_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("knownId");
    QTest::newRow("applet") << "locationsettings" << "qtn_locfw_" << "qtn_locfw_positioning";
    QTest::newRow("host") << "controlpanel" << "qtn_cp_" << "qtn_cp_settings";
}

void TranslationsTest::testCataloguesMatchTheCode()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, prefix);
    QFETCH(QString, knownId);
    const QMap<QString, QString> used = usedIds(prefix);
    QVERIFY2(used.contains(knownId), "the scan found no ids: LS_SOURCE_DIR?");
    const QStringList tsFiles = QDir(sourceDir() + "/translations").entryList({catalogue + "_*.ts"}, QDir::Files);
    QVERIFY2(tsFiles.size() >= 3, "English, German and Arabic");
    QVERIFY(tsFiles.contains(catalogue + "_en.ts"));
    for (const QString &name : tsFiles) {
        const Catalogue ts = readTs(sourceDir() + "/translations/" + name);
        QVERIFY2(!ts.language.isEmpty(), qPrintable(name));
        for (auto it = used.cbegin(); it != used.cend(); ++it)
            QVERIFY2(ts.texts.contains(it.key()),
                     qPrintable(QStringLiteral("%1 lacks %2, used in %3").arg(name, it.key(), it.value())));
        for (const QString &id : ts.texts.keys())
            QVERIFY2(used.contains(id), qPrintable(QStringLiteral("%1 holds %2, which no code uses").arg(name, id)));
        QVERIFY2(ts.unfinished.isEmpty(),
                 qPrintable(QStringLiteral("%1: untranslated %2").arg(name, ts.unfinished.join(", "))));
    }
}

void TranslationsTest::testCompiledCataloguesResolve()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, prefix);
    const QStringList ids = usedIds(prefix).keys();
    const QStringList tsFiles = QDir(sourceDir() + "/translations").entryList({catalogue + "_*.ts"}, QDir::Files);
    QMap<QString, QStringList> textsByLanguage;
    for (const QString &ts : tsFiles) {
        const QString qm = buildDir() + "/translations/" + QString(ts).replace(".ts", ".qm");
        QTranslator translator;
        QVERIFY2(translator.load(qm), qPrintable(qm + " is missing or unreadable"));
        const Catalogue source = readTs(sourceDir() + "/translations/" + ts);
        for (const QString &id : ids) {
            // Id-based lookup: no context, the id as the key.
            const QString text = translator.translate(nullptr, id.toLatin1().constData());
            QVERIFY2(!text.isEmpty() && text != id, qPrintable(QStringLiteral("%1: %2 does not resolve").arg(qm, id)));
            QCOMPARE(text, source.texts.value(id));
            textsByLanguage[ts].append(text);
        }
    }
    // A second language is really another language, not a copy of the English texts.
    for (auto it = textsByLanguage.cbegin(); it != textsByLanguage.cend(); ++it) {
        if (it.key() == catalogue + "_en.ts")
            continue;
        int same = 0;
        for (int i = 0; i < ids.size(); ++i)
            same += it.value().at(i) == textsByLanguage.value(catalogue + "_en.ts").at(i);
        QVERIFY2(same <= ids.size() / 4, qPrintable(it.key()));
    }
}

void TranslationsTest::testLanguageFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("internal");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("German") << QByteArray("de") << "Standort" << "Internes GPS" << Qt::LeftToRight;
    QTest::newRow("Arabic, right to left") << QByteArray("ar_EG.UTF-8") << "الموقع" << "نظام GPS الداخلي"
                                           << Qt::RightToLeft;
    // A language without a catalogue falls back to English.
    QTest::newRow("no catalogue") << QByteArray("xx") << "Location" << "Internal GPS" << Qt::LeftToRight;
}

void TranslationsTest::testLanguageFromEnvironment()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, heading);
    QFETCH(QString, internal);
    QFETCH(Qt::LayoutDirection, direction);
    qputenv("LANGUAGE", language);
    OvLocale locale;
    locale.installTrCatalog("locationsettings");
    OvLocale::setDefault(locale);
    QCOMPARE(qtTrId("qtn_locfw_positioning"), heading);
    QCOMPARE(qtTrId("qtn_locfw_internalgps"), internal);
    QCOMPARE(OvLocale::defaultLayoutDirection(), direction);
}

QTEST_GUILESS_MAIN(TranslationsTest)
#include "translationstest.moc"
