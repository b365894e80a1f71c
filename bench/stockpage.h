// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STOCKPAGE_H
#define STOCKPAGE_H

#include <QAbstractButton>
#include <QWidget>

#include <QDBusInterface>

/*
 * The peer an integrator would write instead: the same page (heading, divider, three panels
 * with the same texts from the same catalogue, switches and a drop-down with the same entries)
 * from stock Qt Widgets and their layouts. Each panel reads its keys through a QDBusInterface
 * of its own, subscribed to "valueChanged", as the sections do.
 */
class StockPage : public QWidget
{
    Q_OBJECT

public:
    explicit StockPage(QWidget *parent = nullptr);
    ~StockPage() override;

    // Installs the "locationsettings" catalogue of the build once per process.
    static bool loadCatalogue();

private:
    QDBusInterface *newClient();
};

// One panel's settings client: a proxy, its validity check and its subscription.
class StockClient : public QObject
{
    Q_OBJECT

public:
    explicit StockClient(QObject *parent);
    QDBusInterface *proxy() { return &m_proxy; }

signals:
    void valueChanged(const QString &key);

private:
    QDBusInterface m_proxy;
};

// An on/off switch painted plainly: a rounded track and a knob.
class StockSwitch : public QAbstractButton
{
    Q_OBJECT

public:
    explicit StockSwitch(QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif
