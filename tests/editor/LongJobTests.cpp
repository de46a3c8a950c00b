// The long job of a busy window: the work on a thread of its own, the window's
// events handled meanwhile, its progress bar, and the input made during the job.
#include "support/ui/BusyState.h"
#include "support/ui/LongJob.h"
#include "tests/testsupport/QueuedInput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Waits on the calling thread until bFlag is set, at most five seconds; false when
// it never was.
bool WaitFor(const std::atomic<bool> &bFlag) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!bFlag.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bFlag.load();
}

// A shown window with a button and a progress bar, as the programs' windows have.
struct BusyWindow {
    BusyWindow() : button(&window), bar(&window) {
        button.setGeometry(10, 10, 80, 25);
        bar.setGeometry(10, 50, 200, 20);
        bar.hide();
        QObject::connect(&button, &QPushButton::clicked, [this] { ++nClicks; });
        window.resize(240, 100);
        window.show();
    }
    QWidget window;
    QPushButton button;
    QProgressBar bar;
    int nClicks = 0;
};

TEST(LongJob, TheWorkRunsElsewhereWhileTheWindowsThreadHandlesItsEvents) {
    const std::thread::id windowThread = std::this_thread::get_id();
    std::thread::id workThread;
    std::atomic<bool> bTimerFired{false};
    // The work waits for a timer of the window's thread: it ends only if that thread
    // handles its events while the work runs.
    QTimer::singleShot(0, [&] { bTimerFired = true; });
    bool bSawTimer = false;
    RunLongJob([&] {
        workThread = std::this_thread::get_id();
        bSawTimer = WaitFor(bTimerFired);
    });
    EXPECT_NE(workThread, windowThread);
    EXPECT_TRUE(bSawTimer);
}

TEST(LongJob, WhatTheWorkThrowsReachesTheCallerAndTheBarIsHidden) {
    BusyWindow w;
    EXPECT_THROW(RunLongJob([] { throw std::runtime_error("engine failure"); },
                            {&w.bar, 10, [] { return 3; }}),
                 std::runtime_error);
    EXPECT_FALSE(w.bar.isVisible());
}

TEST(LongJob, TheBarRisesWithTheCountNeverPastTheTotalAndIsHiddenAtTheEnd) {
    struct Case {
        int nTotal;
        std::vector<int> counts; // the count the work reports, one step after another
        int nMaximum;            // the bar's range ends there
    };
    const std::vector<Case> cases = {
        {4, {1, 2, 3, 4}, 4},
        {3, {2, 5, 9}, 3}, // an engine that reports more than was expected
        {0, {0}, 1},       // nothing to count: a range of 0 to 0 would be a busy indicator
    };
    for (const Case &c : cases) {
        BusyWindow w;
        std::vector<int> values;
        std::vector<bool> shown;
        QObject::connect(&w.bar, &QProgressBar::valueChanged, [&](int nValue) {
            values.push_back(nValue);
            shown.push_back(w.bar.isVisible());
        });
        std::atomic<int> nCount{0};
        std::atomic<int> nRead{-1};
        RunLongJob(
            [&] {
                // Each count stays until the window's thread has read it.
                for (int nStep : c.counts) {
                    nCount = nStep;
                    while (nRead.load() != nStep)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            },
            {&w.bar, c.nTotal, [&] {
                 nRead = nCount.load();
                 return nRead.load();
             }});
        EXPECT_EQ(w.bar.maximum(), c.nMaximum) << c.nTotal;
        ASSERT_FALSE(values.empty());
        EXPECT_EQ(values.back(), c.nMaximum);
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << c.nTotal;
        EXPECT_LE(*std::max_element(values.begin(), values.end()), c.nMaximum);
        // The bar is set to 0 before it is shown; every later value is shown, the
        // last one included.
        EXPECT_EQ(std::count(shown.begin() + 1, shown.end(), false), 0) << c.nTotal;
        EXPECT_FALSE(w.bar.isVisible());
    }
}

TEST(LongJob, TheBarIsBroughtUpToDateAboutFifteenTimesASecond) {
    BusyWindow w;
    int nChanges = 0;
    QObject::connect(&w.bar, &QProgressBar::valueChanged, [&] { ++nChanges; });
    std::atomic<int> nCount{0};
    QElapsedTimer timer;
    timer.start();
    // A count that changes all the time, for 300 ms.
    RunLongJob(
        [&] {
            while (timer.elapsed() < 300)
                ++nCount;
        },
        {&w.bar, 1 << 30, [&] { return nCount.load(); }});
    // 300 ms at 15 a second (4 or 5 moves), the first and the last value, and some slack.
    EXPECT_LE(nChanges, 9);
    EXPECT_GE(nChanges, 3);
}

// Counts the presses the application hands out, telling those handled while a job
// runs; a press to a disabled window goes no further.
class PressWatch : public QObject {
public:
    PressWatch() { qApp->installEventFilter(this); }
    bool bJobRunning = false;
    int nDuringJob = 0;

protected:
    bool eventFilter(QObject *pWatched, QEvent *pEvent) override {
        if (pEvent->type() == QEvent::MouseButtonPress && pWatched->isWindowType() && bJobRunning)
            ++nDuringJob;
        return false;
    }
};

TEST(LongJob, InputQueuedDuringTheJobIsHandledThenAndDroppedNeverActingAfterwards) {
    BusyWindow w;
    PressWatch watch;
    // The same input on a window that takes input clicks the button: the input is real.
    QueueClick(&w.button);
    QApplication::processEvents();
    ASSERT_EQ(w.nClicks, 1);

    std::atomic<bool> bQueued{false};
    {
        BusyState busy(&w.window);
        watch.bJobRunning = true;
        RunLongJob(
            [&] {
                WaitFor(bQueued);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            },
            {&w.bar, 1, [&] {
                 // Queued while the work runs, as the user clicks, types and closes.
                 if (!bQueued) {
                     QueueClick(&w.button);
                     QueueKey(&w.button, Qt::Key_Space);
                     QueueCloseRequest(&w.window);
                     bQueued = true;
                 }
                 return 0;
             }});
        watch.bJobRunning = false;
        // Made after the job but before the busy state ends.
        QueueClick(&w.button);
    }
    QApplication::processEvents();
    EXPECT_TRUE(bQueued);
    EXPECT_EQ(watch.nDuringJob, 1);
    EXPECT_EQ(w.nClicks, 1);
    EXPECT_TRUE(w.window.isVisible());
    EXPECT_TRUE(w.window.isEnabled());
}

TEST(LongJob, TheWindowManagersCloseRequestIsTurnedAwayOnlyWhileTheWindowIsBusy) {
    BusyWindow w;
    {
        BusyState busy(&w.window);
        QueueCloseRequest(&w.window);
        QApplication::processEvents();
        EXPECT_TRUE(w.window.isVisible());
    }
    // The program may still close it, and the window manager may once the job is over.
    {
        BusyState busy(&w.window);
        w.window.close();
        EXPECT_FALSE(w.window.isVisible());
    }
    w.window.show();
    QueueCloseRequest(&w.window);
    QApplication::processEvents();
    EXPECT_FALSE(w.window.isVisible());
}

TEST(LongJob, KeepWindowsPaintingHandlesPendingEventsOncePerFrame) {
    int nHandled = 0;
    QTimer::singleShot(0, [&] { ++nHandled; });
    std::this_thread::sleep_for(std::chrono::milliseconds(kJobFrameMilliseconds + 5));
    KeepWindowsPainting();
    EXPECT_EQ(nHandled, 1);
    // Within the same frame, pending events wait.
    QTimer::singleShot(0, [&] { ++nHandled; });
    KeepWindowsPainting();
    EXPECT_EQ(nHandled, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(kJobFrameMilliseconds + 5));
    KeepWindowsPainting();
    EXPECT_EQ(nHandled, 2);
}

} // namespace
