// SPDX-License-Identifier: GPL-2.0-or-later
#include "ovaccessibletext.h"

#include "ovaccessible.h"

#include <QGraphicsView>
#include <QGraphicsWidget>
#include <QTextLayout>

namespace {
// The text in lines at the widget's width, line by line from the top of its contents.
void layOut(QTextLayout &layout, const QGraphicsWidget *widget)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(widget->layoutDirection());
    layout.setTextOption(option);
    const QRectF area = widget->contentsRect();
    layout.beginLayout();
    qreal y = area.top();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        line.setPosition(QPointF(area.left(), y));
        y += line.height();
    }
    layout.endLayout();
}
} // namespace

void OvAccessibleText::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
}

int OvAccessibleText::selectionCount() const
{
    return 0;
}

void OvAccessibleText::addSelection(int, int)
{
}

void OvAccessibleText::removeSelection(int)
{
}

void OvAccessibleText::setSelection(int, int, int)
{
}

int OvAccessibleText::cursorPosition() const
{
    return 0;
}

void OvAccessibleText::setCursorPosition(int)
{
}

QString OvAccessibleText::text(int startOffset, int endOffset) const
{
    const QString all = plainText();
    if (endOffset < 0 || endOffset > all.size())
        endOffset = int(all.size());
    startOffset = qBound(0, startOffset, endOffset);
    return all.mid(startOffset, endOffset - startOffset);
}

int OvAccessibleText::characterCount() const
{
    return int(plainText().size());
}

QRect OvAccessibleText::characterRect(int offset) const
{
    const QString all = plainText();
    QGraphicsWidget *widget = textWidget();
    if (!widget || offset < 0 || offset >= all.size())
        return QRect();
    QTextLayout layout(all, textFont());
    layOut(layout, widget);
    const QTextLine line = layout.lineForTextPosition(offset);
    if (!line.isValid())
        return QRect();
    const qreal x = line.cursorToX(offset), next = line.cursorToX(offset + 1);
    const QRectF r(qMin(x, next), line.y(), qAbs(next - x), line.height());
    return OvAccessible::screenRect(widget, r);
}

int OvAccessibleText::offsetAtPoint(const QPoint &point) const
{
    QGraphicsWidget *widget = textWidget();
    QGraphicsView *view = OvAccessible::viewOf(widget);
    if (!view)
        return -1;
    const QPointF pos = widget->mapFromScene(view->mapToScene(view->viewport()->mapFromGlobal(point)));
    QTextLayout layout(plainText(), textFont());
    layOut(layout, widget);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (pos.y() >= line.y() && pos.y() < line.y() + line.height())
            return line.xToCursor(pos.x());
    }
    return -1;
}

void OvAccessibleText::scrollToSubstring(int, int)
{
}

QString OvAccessibleText::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One run: the whole text has the same attributes.
    *startOffset = offset < 0 || offset >= characterCount() ? -1 : 0;
    *endOffset = *startOffset < 0 ? -1 : characterCount();
    return QString();
}
