// A tall push button that shows its icon above its caption, as a toolbar button
// does, while keeping a push button's frame, default-button mark and access key.
#pragma once

#include <QPushButton>

class PictureButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *pEvent) override;
};
