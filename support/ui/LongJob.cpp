#include "support/ui/LongJob.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace {

// Shows a job's progress in its bar for as long as it lives.
class ProgressShown {
public:
    explicit ProgressShown(const JobProgress &progress)
        : m_pBar(progress.pBar), m_nTotal(std::max(progress.nTotal, 1)), m_fnDone(progress.fnDone) {
        if (!m_pBar)
            return;
        // A range of 0 to 0 would make the bar a busy indicator.
        m_pBar->setRange(0, m_nTotal);
        m_pBar->setValue(0);
        m_pBar->show();
    }

    ~ProgressShown() {
        if (!m_pBar)
            return;
        // The work is done, whatever share of it the engine reported.
        m_pBar->setValue(m_nTotal);
        m_pBar->hide();
    }

    ProgressShown(const ProgressShown &) = delete;
    ProgressShown &operator=(const ProgressShown &) = delete;

    void Update() {
        if (m_pBar && m_fnDone)
            m_pBar->setValue(std::clamp(m_fnDone(), 0, m_nTotal));
    }

private:
    QPointer<QProgressBar> m_pBar;
    int m_nTotal;
    std::function<int()> m_fnDone;
};

} // namespace

void RunLongJob(const std::function<void()> &fnWork, const JobProgress &progress) {
    ProgressShown shown(progress);
    std::atomic<bool> bEnded{false};
    std::exception_ptr pFailure;

    QTimer tick;
    tick.setInterval(kJobBarMilliseconds);
    QObject::connect(&tick, &QTimer::timeout, [&] { shown.Update(); });
    tick.start();

    // The worker's last act wakes this thread, which may be waiting for events.
    QObject waker;
    std::thread worker([&] {
        try {
            fnWork();
        } catch (...) {
            pFailure = std::current_exception();
        }
        bEnded.store(true, std::memory_order_release);
        QMetaObject::invokeMethod(
            &waker, [] {}, Qt::QueuedConnection);
    });
    // Not an event loop of its own: one that the application's quitting ended would
    // refuse to run again, while the work still uses this frame's objects.
    while (!bEnded.load(std::memory_order_acquire))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    worker.join();
    tick.stop();
    if (pFailure)
        std::rethrow_exception(pFailure);
}

void KeepWindowsPainting() {
    static QElapsedTimer lastTime;
    if (lastTime.isValid() && lastTime.elapsed() < kJobFrameMilliseconds)
        return;
    QCoreApplication::processEvents();
    lastTime.start();
}
