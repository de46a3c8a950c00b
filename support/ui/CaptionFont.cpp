#include "support/ui/CaptionFont.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
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

// Room a button takes beside its caption: a check box's box and the gap after it, or
// a push button's frame.
int ButtonPaddingX(const QAbstractButton *pButton) {
    const QStyle *pStyle = pButton->style();
    if (qobject_cast<const QCheckBox *>(pButton))
        return pStyle->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, pButton) +
               pStyle->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, pButton);
    if (qobject_cast<const QRadioButton *>(pButton))
        return pStyle->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, pButton) +
               pStyle->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, pButton);
    return kButtonPaddingX;
}

} // namespace

bool CaptionsFit(const QWidget *pWindow) {
    for (const QAbstractButton *pButton : pWindow->findChildren<QAbstractButton *>()) {
        const QString sShown = QString(pButton->text()).remove(QLatin1Char('&'));
        if (!sShown.isEmpty() && !Fits(pButton, sShown, ButtonPaddingX(pButton), kButtonPaddingY))
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
