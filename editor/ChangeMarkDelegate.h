// Draws the tree's nodes as usual, and on the icon of a node whose file changed
// since Extract a small mark in its lower right corner. The node's own icon stays
// as it is: the mark is painted over it, never put into it.
#pragma once

#include <QStyledItemDelegate>

class ChangeMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *pPainter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The colour of the mark.
    static QColor MarkColour();
    // Where the mark goes within the rectangle that the icon is drawn in.
    static QRect MarkRect(const QRect &iconRect);
};
