// A read-only text view in a fixed-width font with each line's number in a margin on
// its left.
#pragma once

#include <QPlainTextEdit>

class NumberedTextView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit NumberedTextView(QWidget *pParent = nullptr);

    // The margin's width for the text's number of lines.
    int NumberWidth() const;
    // Paints the margin; called by the margin itself.
    void PaintNumbers(QPaintEvent *pEvent);

protected:
    void resizeEvent(QResizeEvent *pEvent) override;

private:
    void UpdateMargin();

    QWidget *m_pNumbers;
};
