#include "support/ui/CaptionFont.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace {

// Room a button's frame and margins take from its width and height, both sides together.
constexpr int kButtonPaddingX = 8;
constexpr int kButtonPaddingY = 4;

struct Candidate {
    qreal dPoints;
    int nStretch;
};

// 8 points is the size the windows were laid out for; narrower faces come before
// smaller sizes, since they keep the letters' height.
constexpr Candidate kCandidates[] = {
    {8.0, QFont::Unstretched},   {8.0, QFont::SemiCondensed}, {8.0, QFont::Condensed},
    {7.5, QFont::SemiCondensed}, {7.5, QFont::Condensed},     {7.0, QFont::Condensed},
};

bool Fits(const QWidget *pControl, const QString &sText, int nPadX, int nPadY) {
    const QFontMetrics metrics = pControl->fontMetrics();
    return metrics.horizontalAdvance(sText) + nPadX <= pControl->width() &&
           metrics.height() + nPadY <= pControl->height();
}

} // namespace

bool CaptionsFit(const QWidget *pWindow) {
    for (const QAbstractButton *pButton : pWindow->findChildren<QAbstractButton *>()) {
        const QString sShown = QString(pButton->text()).remove(QLatin1Char('&'));
        if (!sShown.isEmpty() && !Fits(pButton, sShown, kButtonPaddingX, kButtonPaddingY))
            return false;
    }
    for (const QLabel *pLabel : pWindow->findChildren<QLabel *>())
        if (!pLabel->text().isEmpty() && !pLabel->wordWrap() && !Fits(pLabel, pLabel->text(), 0, 0))
            return false;
    return true;
}

void FitCaptionFont(QWidget *pWindow) {
    QFont font = pWindow->font();
    for (const Candidate &candidate : kCandidates) {
        font.setPointSizeF(candidate.dPoints);
        font.setStretch(candidate.nStretch);
        pWindow->setFont(font);
        if (CaptionsFit(pWindow))
            return;
    }
}
