// SPDX-License-Identifier: GPL-2.0-or-later
// Translation catalogues found through the environment and made the default locale's.

#include "messagecapture.h"

#include <ovlocale.h>

#include <QCoreApplication>
#include <QTest>

class OvLocaleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void testLanguageFromEnvironment();
    void testSetDefault();
    void testMissingCatalogue();

private:
    void setLanguage(const char *language, const char *lcAll, const char *lang);
};

void OvLocaleTest::initTestCase()
{
    qputenv("ORVIK_TRANSLATIONS_PATH", "/nonexistent:" ORVIKTEST_QM_DIR);
    QVERIFY(OvLocale::translationPaths().contains(QStringLiteral(ORVIKTEST_QM_DIR)));
    QCOMPARE(OvLocale::translationPaths().first(), QStringLiteral("/nonexistent"));
}

void OvLocaleTest::setLanguage(const char *language, const char *lcAll, const char *lang)
{
    for (const auto &[name, value] : {std::pair{"LANGUAGE", language}, {"LC_ALL", lcAll}, {"LANG", lang}}) {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    qunsetenv("LC_MESSAGES");
}

void OvLocaleTest::testLanguageFromEnvironment()
{
    setLanguage(nullptr, nullptr, "de_DE.UTF-8");
    QCOMPARE(OvLocale().name(), QStringLiteral("de_DE"));
    setLanguage("fi:de", nullptr, "de_DE.UTF-8");
    QCOMPARE(OvLocale().name(), QStringLiteral("fi"));
    setLanguage(nullptr, "sv_SE@euro", "de_DE.UTF-8");
    QCOMPARE(OvLocale().name(), QStringLiteral("sv_SE"));
    setLanguage(nullptr, "C", "de_DE.UTF-8");
    QCOMPARE(OvLocale().name(), QStringLiteral("en"));
    setLanguage(nullptr, nullptr, nullptr);
    QCOMPARE(OvLocale().name(), QStringLiteral("en"));
}

void OvLocaleTest::testSetDefault()
{
    setLanguage(nullptr, nullptr, "de_DE.UTF-8");
    {
        OvLocale locale;
        locale.installTrCatalog(QStringLiteral("orviktest"));
        locale.installTrCatalog(QStringLiteral("orviktest"));
        QCOMPARE(locale.trCatalogs(), QStringList{QStringLiteral("orviktest")});
        QCOMPARE(qtTrId("orviktest_greeting"), QStringLiteral("orviktest_greeting"));
        OvLocale::setDefault(locale);
    }
    // The default outlives the object it was copied from.
    QCOMPARE(OvLocale::defaultName(), QStringLiteral("de_DE"));
    QCOMPARE(OvLocale::defaultTrCatalogs(), QStringList{QStringLiteral("orviktest")});
    QCOMPARE(qtTrId("orviktest_greeting"), QStringLiteral("Hallo"));

    // A language without its own catalogue falls back to English; the German one is gone.
    setLanguage(nullptr, nullptr, "fr_FR.UTF-8");
    OvLocale french;
    french.installTrCatalog(QStringLiteral("orviktest"));
    OvLocale::setDefault(french);
    QCOMPARE(qtTrId("orviktest_greeting"), QStringLiteral("Hello"));
    QCOMPARE(qtTrId("orviktest_farewell"), QStringLiteral("Goodbye"));

    // A default without catalogues leaves the ids as they are.
    OvLocale::setDefault(OvLocale(QStringLiteral("en")));
    QCOMPARE(qtTrId("orviktest_greeting"), QStringLiteral("orviktest_greeting"));
}

void OvLocaleTest::testMissingCatalogue()
{
    MessageCapture capture;
    OvLocale locale(QStringLiteral("de"));
    locale.installTrCatalog(QStringLiteral("nosuchcatalogue"));
    locale.installTrCatalog(QStringLiteral("orviktest"));
    OvLocale::setDefault(locale);
    const QStringList warnings = capture.texts(QtWarningMsg);
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings.first().contains(QStringLiteral("nosuchcatalogue")));
    // The catalogue that exists is installed all the same.
    QCOMPARE(qtTrId("orviktest_greeting"), QStringLiteral("Hallo"));
}

QTEST_GUILESS_MAIN(OvLocaleTest)
#include "ovlocaletest.moc"
