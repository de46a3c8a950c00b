// Choosing the font of a window laid out at fixed positions, so that no caption is
// clipped whatever fonts the desktop offers.
#pragma once

class QWidget;

// Gives pWindow the first font, from 8 points at normal width down to narrower and
// smaller ones, at which the caption of every button and the text of every label
// inside it fit their controls. The family stays the desktop's own.
void FitCaptionFont(QWidget *pWindow);

// Whether every button caption and label text inside pWindow fits its control at the
// font that control uses now.
bool CaptionsFit(const QWidget *pWindow);
