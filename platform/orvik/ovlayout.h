// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVLAYOUT_H
#define OVLAYOUT_H

#include "ov.h"
#include "orvikexport.h"

#include <QGraphicsLayout>
#include <QList>

class OvAbstractLayoutPolicy;
class OvLayoutAnimation;

/*
 * A layout whose arrangement is given by policies. The layout holds every item that any of
 * its policies holds; the policy of the current orientation places its items and the items
 * that it does not hold are hidden. setPolicy() registers one policy for both orientations.
 * When no policy is registered for the current orientation, the first policy made on the
 * layout is applied; a later policy that was never registered is not applied.
 * The orientation is the one of the OvApplicationWindow that shows the layout's widget
 * (portrait outside a window); the layout follows it when the window rotates.
 * In a right-to-left widget every policy is mirrored: a row starts at the right, a column's
 * narrow items sit at the right, and the left margin becomes the right one.
 */
class ORVIK_EXPORT OvLayout : public QGraphicsLayout
{
public:
    explicit OvLayout(QGraphicsLayoutItem *parent = nullptr);
    ~OvLayout() override;

    // null switches animation off; the layout owns the animation.
    void setAnimation(OvLayoutAnimation *animation);
    OvLayoutAnimation *animation() const;

    void setPolicy(OvAbstractLayoutPolicy *policy);
    OvAbstractLayoutPolicy *policy() const; // the policy applied now

    void setPortraitPolicy(OvAbstractLayoutPolicy *policy);
    OvAbstractLayoutPolicy *portraitPolicy() const;
    void setLandscapePolicy(OvAbstractLayoutPolicy *policy);
    OvAbstractLayoutPolicy *landscapePolicy() const;

    // Every policy made on this layout, in the order they were made.
    QList<OvAbstractLayoutPolicy *> registeredPolicies() const;

    Ov::Orientation orientation() const;

    // QGraphicsLayout
    int count() const override;
    QGraphicsLayoutItem *itemAt(int index) const override;
    void removeAt(int index) override;
    int indexOf(const QGraphicsLayoutItem *item) const;
    void removeItem(QGraphicsLayoutItem *item);
    void setGeometry(const QRectF &rect) override;
    void invalidate() override;
    void widgetEvent(QEvent *event) override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    friend class OvAbstractLayoutPolicy;
    OvAbstractLayoutPolicy *policyFor(Ov::Orientation orientation) const;
    void policyCreated(OvAbstractLayoutPolicy *policy);
    void policyDestroyed(OvAbstractLayoutPolicy *policy);
    void itemInserted(OvAbstractLayoutPolicy *policy, QGraphicsLayoutItem *item);
    void itemReleased(QGraphicsLayoutItem *item);
    void detachItem(QGraphicsLayoutItem *item);
    void applyVisibility(OvAbstractLayoutPolicy *active);
    void hideItem(QGraphicsLayoutItem *item);
    void hideAll();
    void placeItem(QGraphicsLayoutItem *item, const QRectF &rect);

    class Private;
    Private *d;
};

#endif
