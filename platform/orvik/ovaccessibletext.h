// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OVACCESSIBLETEXT_H
#define OVACCESSIBLETEXT_H

#include <QAccessible>
#include <QFont>

class QGraphicsWidget;

/*
 * Read-only text for screen readers and braille displays, which review a text by
 * character, word and line: no caret, no selection. Characters are placed as the text lies
 * in the widget's contents, wrapped at its width.
 */
class OvAccessibleText : public QAccessibleTextInterface
{
public:
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

protected:
    virtual QString plainText() const = 0;
    virtual QGraphicsWidget *textWidget() const = 0;
    virtual QFont textFont() const = 0;
};

#endif
