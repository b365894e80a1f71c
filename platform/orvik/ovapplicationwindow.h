// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVAPPLICATIONWINDOW_H
#define OVAPPLICATIONWINDOW_H

#include "ov.h"
#include "orvikexport.h"

#include <QGraphicsView>
#include <QPointer>

class QGraphicsWidget;

/*
 * A phone-sized window (480x854 in portrait, 854x480 in landscape) showing one page
 * through a QGraphicsView. The page fills the window's width and scrolls vertically when it
 * is taller. Rotating the window switches every OvLayout in its scene to the policies of
 * the new orientation. Ctrl+R rotates. Tab and Shift+Tab visit the page's controls in reading
 * order (OvReadingOrder) and stay inside an open popup list. The window lays its page out in the default locale's
 * direction (OvLocale), taken when a page is shown; setLayoutDirection() overrides it until
 * the next page.
 */
class ORVIK_EXPORT OvApplicationWindow : public QGraphicsView
{
    Q_OBJECT

public:
    static const QSize portraitSize;
    static const QSize landscapeSize;

    explicit OvApplicationWindow(QWidget *parent = nullptr);
    ~OvApplicationWindow() override;

    // Shows the page, which the window then owns; the previous page is taken out of the
    // scene and handed back to the caller, not deleted.
    void setPage(QGraphicsWidget *page);
    QGraphicsWidget *page() const;

    Ov::Orientation orientation() const;

    // The part of the scene that the window shows now, in scene coordinates.
    QRectF visibleSceneRect() const;

    // Renders the window's current contents, as shown, into an image of the window's size.
    QImage grabPage();

    // The orientation of the window that shows this scene (portrait without one).
    static Ov::Orientation orientationOf(const QGraphicsScene *scene);

public slots:
    void setOrientation(Ov::Orientation orientation);
    void rotate();

signals:
    void orientationChanged(Ov::Orientation orientation);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitPage();
    void relayoutScene();
    void moveFocus(bool forward);

    QPointer<QGraphicsWidget> m_page;
    Ov::Orientation m_orientation = Ov::Portrait;
    bool m_fitting = false;
};

#endif
