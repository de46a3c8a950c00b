#include "editor/ChangeMarkDelegate.h"

#include "editor/ArchiveModel.h"

#include <QApplication>
#include <QPainter>

void ChangeMarkDelegate::paint(QPainter *pPainter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    QStyledItemDelegate::paint(pPainter, option, index);
    if (!index.data(kChangedSinceExtractRole).toBool())
        return;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget *pWidget = option.widget;
    const QStyle *pStyle = pWidget ? pWidget->style() : QApplication::style();
    const QRect iconRect =
        pStyle->subElementRect(QStyle::SE_ItemViewItemDecoration, &item, pWidget);
    if (iconRect.isEmpty())
        return;
    pPainter->save();
    pPainter->setRenderHint(QPainter::Antialiasing);
    // A light rim keeps the dot visible on the darker parts of every icon.
    pPainter->setPen(QPen(Qt::white, 1));
    pPainter->setBrush(MarkColour());
    pPainter->drawEllipse(MarkRect(iconRect));
    pPainter->restore();
}

QColor ChangeMarkDelegate::MarkColour() {
    return QColor(0xE0, 0x40, 0x10);
}

QRect ChangeMarkDelegate::MarkRect(const QRect &iconRect) {
    const int nSize = std::max(5, iconRect.height() * 7 / 16);
    return QRect(iconRect.right() - nSize + 1, iconRect.bottom() - nSize + 1, nSize, nSize);
}
