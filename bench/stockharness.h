// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STOCKHARNESS_H
#define STOCKHARNESS_H

#include "pageharness.h"

#include <QObject>

class QWidget;
class StockPage;

/*
 * Opens and closes the stock Qt Widgets page the way PageHarness opens ours: a window of the
 * same size stays shown; an open constructs the page, puts it in the window with the posted
 * layout requests (show) and paints the window once (paint).
 */
class StockHarness : public QObject
{
    Q_OBJECT

public:
    StockHarness();
    ~StockHarness() override;

    // showWindow() then the catalogue.
    bool load(QString *error);
    void showWindow();
    bool open(PageHarness::Timing *timing = nullptr);
    void close();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window = nullptr;
    StockPage *m_page = nullptr;
    int m_paints = 0;
};

#endif
