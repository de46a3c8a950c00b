#include "skins/PictureButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// Room between the picture and the caption.
constexpr int kGap = 4;

} // namespace

void PictureButton::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The frame (and focus mark) alone: the picture and caption are stacked below.
    QStyleOptionButton frame = option;
    frame.text.clear();
    frame.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, frame);

    const QSize iconSize = option.iconSize;
    const int nTextHeight = fontMetrics().height();
    const int nContent = iconSize.height() + kGap + nTextHeight;
    QRect area = rect();
    if (isDown() || isChecked())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    const int nTop = area.top() + (area.height() - nContent) / 2;

    const QIcon::Mode eMode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QRect iconRect(area.left() + (area.width() - iconSize.width()) / 2, nTop,
                         iconSize.width(), iconSize.height());
    option.icon.paint(&painter, iconRect, Qt::AlignCenter, eMode);

    const QRect textRect(area.left(), nTop + iconSize.height() + kGap, area.width(), nTextHeight);
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                         palette(), isEnabled(), text(), QPalette::ButtonText);
}
