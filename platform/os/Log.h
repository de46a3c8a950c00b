// The program's log, for the parts that know no Qt (the archive components and
// jobs, the settings store, the Wine search). Each line goes to one area; the
// programs connect the areas to their logging categories (support/ui/Logging.h),
// which are silent unless the user switches them on. Without a connected sink,
// nothing is logged and asking costs one load of a pointer.
//
//     if (LogEnabled(LogArea::Store))
//         LogLine(LogArea::Store, "cannot write " + sPath + ": " + sWhy);
//
// Lines may be logged from any thread.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

enum class LogArea {
    Engine,  // what the engine libraries print
    Archive, // the archive jobs: start, end, outcome, duration
    Store,   // the settings store
    Wine,    // the search for the game in Wine prefixes and native folders
};

// Where lines go. fnEnabled tells whether an area's lines are wanted at all, so that
// a caller can skip building them; fnWrite takes one line without its line break.
struct LogSink {
    bool (*fnEnabled)(LogArea eArea) = nullptr;
    void (*fnWrite)(LogArea eArea, std::string_view sLine) = nullptr;
};

// Connects the sink (once, at start-up, before any other thread runs); a sink with
// no functions disconnects it.
void SetLogSink(const LogSink &sink);

bool LogEnabled(LogArea eArea);
// Writes sLine when the area is enabled; a line break inside it starts another line.
void LogLine(LogArea eArea, std::string_view sLine);

// A stream whose lines go to an area of the log, for code that writes its notes to
// a stream (the Wine search): each line is written as its line break arrives; what
// is left without one is written when the stream goes.
class LogStream : public std::ostream {
public:
    explicit LogStream(LogArea eArea);
    ~LogStream() override;

private:
    class LineBuffer : public std::streambuf {
    public:
        explicit LineBuffer(LogArea eArea) : m_eArea(eArea) {}
        // Writes what is left without a final line break.
        void Finish();

    protected:
        int_type overflow(int_type c) override;

    private:
        LogArea m_eArea;
        std::string m_sLine;
    };
    LineBuffer m_buffer;
};
