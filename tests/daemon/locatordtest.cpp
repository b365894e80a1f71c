// SPDX-License-Identifier: GPL-2.0-or-later
#include "locatordprocess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>

class LocatordTest : public QObject
{
    Q_OBJECT

private:
    static QDBusMessage call(const QString &member, const QVariantList &args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("com.telva.locatord.settings"),
                                                        QStringLiteral("/com/telva/locatord/settings"),
                                                        QStringLiteral("com.telva.location.settings"), member);
        m.setArguments(args);
        return QDBusConnection::sessionBus().call(m);
    }

private slots:
    void testStartAndServe()
    {
        LocatordProcess daemon;
        QVERIFY(daemon.start());
        QVERIFY(daemon.pid() > 0);
        QDBusMessage r = call(QStringLiteral("getSetting"), {QStringLiteral("Positioning")});
        QCOMPARE(r.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(r.arguments().value(0).value<QDBusVariant>().variant(), QVariant(true));
        daemon.stop();
        QCOMPARE(daemon.pid(), 0);
    }
};

QTEST_GUILESS_MAIN(LocatordTest)
#include "locatordtest.moc"
