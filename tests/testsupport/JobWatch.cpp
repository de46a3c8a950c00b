#include "tests/testsupport/JobWatch.h"

#include <QApplication>
#include <QCursor>
#include <QProgressBar>
#include <QWidget>
#include <gtest/gtest.h>
#include <utility>

JobWatch::JobWatch(QWidget *pWindow, QProgressBar *pBar) : m_pWindow(pWindow), m_pBar(pBar) {
    QObject::connect(m_pBar, &QProgressBar::valueChanged, [this](int nValue) {
        if (m_pBar->isVisible())
            Record(nValue);
    });
    // A bar shown again may already hold the value it starts from.
    m_pBar->installEventFilter(&m_shown);
    m_shown.fnShown = [this] { Record(m_pBar->value()); };
    m_tick.setInterval(5);
    QObject::connect(&m_tick, &QTimer::timeout, [this] {
        if (m_pBar->isVisible() && !m_pWindow->isEnabled())
            ++m_nTicks;
    });
    m_tick.start();
}

void JobWatch::Record(int nValue) {
    const QCursor *pCursor = QApplication::overrideCursor();
    m_steps.push_back({nValue, m_pBar->maximum(),
                       !m_pWindow->isEnabled() && pCursor && pCursor->shape() == Qt::WaitCursor});
    if (m_fnAction)
        std::exchange(m_fnAction, nullptr)();
}

bool JobWatch::ShowFilter::eventFilter(QObject *, QEvent *pEvent) {
    if (pEvent->type() == QEvent::Show && fnShown)
        fnShown();
    return false;
}

std::vector<JobWatch::Step> JobWatch::StepsUpTo(int nMaximum) const {
    std::vector<Step> steps;
    for (const Step &step : m_steps)
        if (step.nMaximum == nMaximum)
            steps.push_back(step);
    return steps;
}

void JobWatch::Clear() {
    m_steps.clear();
    m_nTicks = 0;
}

void JobWatch::ExpectProgressTo(int nTotal) const {
    const std::vector<Step> steps = StepsUpTo(nTotal);
    ASSERT_GE(steps.size(), 3u) << "no step between the first and the last";
    EXPECT_EQ(steps.front().nValue, 0);
    EXPECT_EQ(steps.back().nValue, nTotal);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_TRUE(steps[i].bBusy) << "step " << i;
        if (i > 0) {
            EXPECT_GT(steps[i].nValue, steps[i - 1].nValue) << "step " << i;
        }
    }
}
