#include "editor/NumberedTextView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace {

class NumberMargin final : public QWidget {
public:
    explicit NumberMargin(NumberedTextView *pView) : QWidget(pView), m_pView(pView) {}
    QSize sizeHint() const override { return {m_pView->NumberWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *pEvent) override { m_pView->PaintNumbers(pEvent); }

private:
    NumberedTextView *m_pView;
};

} // namespace

NumberedTextView::NumberedTextView(QWidget *pParent)
    : QPlainTextEdit(pParent), m_pNumbers(new NumberMargin(this)) {
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Long lines stay whole: each number then stands for one line of the file.
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int nDy) {
        if (nDy != 0)
            m_pNumbers->scroll(0, nDy);
        else
            m_pNumbers->update(0, rect.y(), m_pNumbers->width(), rect.height());
    });
    UpdateMargin();
}

int NumberedTextView::NumberWidth() const {
    int nDigits = 1;
    for (int nMax = std::max(1, blockCount()); nMax >= 10; nMax /= 10)
        ++nDigits;
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * nDigits;
}

void NumberedTextView::UpdateMargin() {
    setViewportMargins(NumberWidth(), 0, 0, 0);
}

void NumberedTextView::resizeEvent(QResizeEvent *pEvent) {
    QPlainTextEdit::resizeEvent(pEvent);
    const QRect area = contentsRect();
    m_pNumbers->setGeometry(QRect(area.left(), area.top(), NumberWidth(), area.height()));
}

void NumberedTextView::PaintNumbers(QPaintEvent *pEvent) {
    QPainter painter(m_pNumbers);
    painter.fillRect(pEvent->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    QTextBlock block = firstVisibleBlock();
    int nTop = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int nLineHeight = fontMetrics().height();
    while (block.isValid() && nTop <= pEvent->rect().bottom()) {
        const int nBottom = nTop + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && nBottom >= pEvent->rect().top())
            painter.drawText(0, nTop, m_pNumbers->width() - 4, nLineHeight, Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        block = block.next();
        nTop = nBottom;
    }
}
