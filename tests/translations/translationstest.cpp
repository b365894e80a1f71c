// SPDX-License-Identifier: GPL-2.0-or-later
// Every text id the shipped code looks up resolves in every catalogue; the language comes from the environment.
#include <ovlocale.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void testCatalogues_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("applet") << "locationsettings" << "qtn_locfw_";
        QTest::newRow("host") << "controlpanel" << "qtn_cp_";
    }

    void testCatalogues()
    {
        QFETCH(QString, catalogue);
        QFETCH(QString, prefix);
        const QString source = qEnvironmentVariable("LS_SOURCE_DIR");
        QMap<QString, QString> used; // id -> a file using it
        const QRegularExpression call(QStringLiteral("qtTrId\\s*\\(\\s*\"(%1[A-Za-z0-9_]*)\"").arg(prefix));
        for (const char *folder : {"applet", "page", "sections", "settings", "host", "platform"}) {
            QDirIterator it(source + '/' + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                for (auto m = call.globalMatch(QString::fromUtf8(file.readAll())); m.hasNext();)
                    used.insert(m.next().captured(1), file.fileName());
            }
        }
        QVERIFY2(!used.isEmpty(), "no ids found: LS_SOURCE_DIR?");
        const QStringList languages = QDir(source + "/translations").entryList({catalogue + "_*.ts"}).replaceInStrings(".ts", "");
        QCOMPARE(languages, (QStringList{catalogue + "_ar", catalogue + "_de", catalogue + "_en"}));
        const QString compiled = qEnvironmentVariable("LS_BUILD_DIR") + "/translations/";
        for (const QString &language : languages) {
            QTranslator translator;
            QVERIFY2(translator.load(compiled + language + ".qm"), qPrintable(language));
            for (auto it = used.cbegin(); it != used.cend(); ++it) {
                const QString text = translator.translate(nullptr, it.key().toLatin1().constData());
                QVERIFY2(!text.isEmpty() && text != it.key(), qPrintable(language + " lacks " + it.key() + ", used in " + it.value()));
            }
        }
    }

    // Counted texts take the language's own plural forms: Arabic has six, in Qt's order.
    void testPlurals_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        const QString en = QStringLiteral("Connected · 3D fix · 1 of %1");
        const QString ar = QStringLiteral("متصل · تحديد ثلاثي الأبعاد · 1 من %1");
        QTest::newRow("English, one") << QByteArray("en") << 1 << en.arg("1 satellite");
        QTest::newRow("English, eleven") << QByteArray("en") << 11 << en.arg("11 satellites");
        QTest::newRow("German, eleven") << QByteArray("de") << 11 << QStringLiteral("Verbunden · 3D-Fix · 1 von 11 Satelliten");
        QTest::newRow("Arabic, two: dual") << QByteArray("ar") << 2 << ar.arg("قمرين صناعيين");
        QTest::newRow("Arabic, five: few") << QByteArray("ar") << 5 << ar.arg("5 أقمار صناعية");
        QTest::newRow("Arabic, eleven: many") << QByteArray("ar") << 11 << ar.arg("11 قمرًا صناعيًا");
        QTest::newRow("Arabic, a hundred") << QByteArray("ar") << 100 << ar.arg("100 قمر صناعي");
    }

    void testPlurals()
    {
        QFETCH(QByteArray, language);
        QFETCH(int, count);
        QFETCH(QString, text);
        qputenv("LANGUAGE", language);
        OvLocale locale;
        locale.installTrCatalog("locationsettings");
        OvLocale::setDefault(locale);
        QCOMPARE(qtTrId("qtn_locfw_gps_receiver_fix_3d", count).arg(1), text);
    }

    void testLanguageFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::newRow("German") << QByteArray("de") << "Standort" << Qt::LeftToRight;
        QTest::newRow("Arabic, right to left") << QByteArray("ar_EG.UTF-8") << "الموقع" << Qt::RightToLeft;
        QTest::newRow("no catalogue: English") << QByteArray("xx") << "Location" << Qt::LeftToRight;
    }

    void testLanguageFromEnvironment()
    {
        QFETCH(QByteArray, language);
        QFETCH(QString, heading);
        QFETCH(Qt::LayoutDirection, direction);
        qputenv("LANGUAGE", language);
        OvLocale locale;
        locale.installTrCatalog("locationsettings");
        OvLocale::setDefault(locale);
        QCOMPARE(qtTrId("qtn_locfw_positioning"), heading);
        QCOMPARE(OvLocale::defaultLayoutDirection(), direction);
    }
};

QTEST_GUILESS_MAIN(TranslationsTest)
#include "translationstest.moc"
