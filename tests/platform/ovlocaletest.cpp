// SPDX-License-Identifier: GPL-2.0-or-later
// The user's language from the environment, and catalogues made the default locale's.

#include "messagecapture.h"

#include <ovlocale.h>

#include <QTest>

class OvLocaleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("ORVIK_TRANSLATIONS_PATH", "/nonexistent:" ORVIKTEST_QM_DIR); }

    void testLanguage_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("language");
        QTest::newRow("LANG") << "LANG=de_DE.UTF-8" << "de_DE";
        QTest::newRow("LANGUAGE first") << "LANGUAGE=fi:de LC_ALL=sv_SE LANG=de_DE.UTF-8" << "fi";
        QTest::newRow("LC_ALL over the others") << "LC_ALL=sv_SE@euro LC_MESSAGES=nb_NO LANG=de_DE.UTF-8" << "sv_SE";
        QTest::newRow("LC_MESSAGES over LANG") << "LC_MESSAGES=nb_NO.UTF-8 LANG=de_DE.UTF-8" << "nb_NO";
        QTest::newRow("C is English") << "LC_ALL=C LANG=de_DE.UTF-8" << "en";
    }

    void testLanguage()
    {
        QFETCH(QString, environment);
        QFETCH(QString, language);
        for (const char *variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            qunsetenv(variable);
        for (const QString &setting : environment.split(' ', Qt::SkipEmptyParts))
            qputenv(setting.section('=', 0, 0).toLatin1(), setting.section('=', 1).toUtf8());
        QCOMPARE(OvLocale().name(), language);
    }

    void testCatalogues()
    {
        MessageCapture capture;
        {
            OvLocale german(QStringLiteral("de_DE"));
            german.installTrCatalog(QStringLiteral("nosuchcatalogue"));
            german.installTrCatalog(QStringLiteral("orviktest"));
            OvLocale::setDefault(german);
        }
        // The default outlives the object it was copied from; a missing catalogue is named once
        // and keeps none of the others out.
        QCOMPARE(qtTrId("orviktest_greeting"), "Hallo");
        QCOMPARE(capture.texts(QtWarningMsg).filter("nosuchcatalogue").size(), 1);

        // A language without its own catalogue falls back to English; the German one is gone.
        OvLocale french(QStringLiteral("fr_FR"));
        french.installTrCatalog(QStringLiteral("orviktest"));
        OvLocale::setDefault(french);
        QCOMPARE(qtTrId("orviktest_greeting"), "Hello");
        QCOMPARE(qtTrId("orviktest_farewell"), "Goodbye");
        // A default without catalogues leaves the ids as they are.
        OvLocale::setDefault(OvLocale(QStringLiteral("en")));
        QCOMPARE(qtTrId("orviktest_greeting"), "orviktest_greeting");
    }
};

QTEST_GUILESS_MAIN(OvLocaleTest)
#include "ovlocaletest.moc"
