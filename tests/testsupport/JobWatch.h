// Watches a window's long jobs through the progress bar they show: every value the
// bar shows (when it is shown, and each change while it is) with the window's state
// at that moment, the ticks of a timer of the
// window's thread while a job shows its bar (the window handled events meanwhile),
// and an action run once, when the next job first shows its bar.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

class QProgressBar;
class QWidget;

class JobWatch {
public:
    JobWatch(QWidget *pWindow, QProgressBar *pBar);

    // One value the bar showed.
    struct Step {
        int nValue;
        int nMaximum;
        bool bBusy; // the window disabled and the wait pointer shown
    };

    // Runs fnAction when the next job first shows its bar.
    void DuringNextJob(std::function<void()> fnAction) { m_fnAction = std::move(fnAction); }
    // Whether the action given last has run.
    bool ActionRan() const { return !m_fnAction; }

    // The steps whose bar ran up to nMaximum, in order.
    std::vector<Step> StepsUpTo(int nMaximum) const;
    int TicksDuringJobs() const { return m_nTicks; }
    // Forgets the steps and ticks seen so far.
    void Clear();

    // Expects the bar of a job that counted up to nTotal: busy at every step, rising
    // from 0 through values between to nTotal.
    void ExpectProgressTo(int nTotal) const;

private:
    class ShowFilter : public QObject {
    public:
        std::function<void()> fnShown;

    protected:
        bool eventFilter(QObject *pWatched, QEvent *pEvent) override;
    };
    void Record(int nValue);

    QWidget *m_pWindow;
    QProgressBar *m_pBar;
    std::vector<Step> m_steps;
    std::function<void()> m_fnAction;
    ShowFilter m_shown;
    QTimer m_tick;
    int m_nTicks = 0;
};
