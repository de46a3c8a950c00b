// Long jobs of a window in its busy state (BusyState.h) that keep the window live.
//
// RunLongJob runs the slow part of an operation (an engine call) on a thread of its
// own, while the window's thread goes on handling events until it ends: the window
// keeps painting (it can be moved, covered and uncovered, and the desktop never sees
// it as not responding), and, being disabled, drops every click and key press made
// meanwhile rather than keeping it for later. The work must not touch widgets or
// anything else the window's thread uses while it runs; what crosses between the two
// threads is the count of what the work has done, which the window's thread reads
// to move a progress bar about 15 times a second.
//
//     BusyState busy(this);
//     RunLongJob([&] { plan = PlanSave(sSubFolder, sArchivePath); });
//
// The archive jobs run their engine calls this way through LongJobRunner.h.
//
// KeepWindowsPainting serves a loop that must stay on the window's thread (it works
// with widgets): called once per step, it lets the windows paint at the same rate.
#pragma once

#include <functional>

class QProgressBar;

// The progress bar of a long job: shown with the range 0 to nTotal (at least 1) for
// the length of the job, moved to what fnDone reads (at most nTotal), brought to its
// end when the job ends, and hidden. fnDone is called on the window's thread while
// the work runs, so it may only read what is safe to read then (an atomic count).
struct JobProgress {
    QProgressBar *pBar = nullptr;
    int nTotal = 0;
    std::function<int()> fnDone;
};

// Runs fnWork on a thread of its own and handles the events of the calling thread
// until it has ended; rethrows whatever fnWork threw. With pBar set, shows the job's
// progress in it. Call it from the window's thread, in the window's busy state.
void RunLongJob(const std::function<void()> &fnWork, const JobProgress &progress = {});

// Handles the pending events of the window's thread when it last did more than a
// frame (about 1/30 s) ago, so that a long loop there lets the windows paint.
void KeepWindowsPainting();

// How often, at most, a long loop on the window's thread lets the windows paint, in
// milliseconds.
inline constexpr int kJobFrameMilliseconds = 33;

// How often a long job's progress bar is moved, in milliseconds. The window itself
// paints whenever the window system asks (moved, uncovered), at once; only the bar
// waits for this tick. Fifteen moves a second look smooth, while painting the bar
// thirty times a second cost a job of 20,000 small entries about 3% of its time.
inline constexpr int kJobBarMilliseconds = 66;
