// The one outcome of an archive job, and how it is read from what the engine said.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct JobOutcome {
    enum class Kind {
        Done,   // listed, unpacked or written, all of it
        Partly, // the engine went on past some files or entries (vLeftOut) and did the rest:
                // an archive was written without them, or the others were unpacked
        Failed, // nothing of use came of it: no archive written, nothing listed or unpacked
    };

    Kind eKind = Kind::Done;
    // The engine's result; -1 when the job failed before the engine returned (its
    // library missing, a folder that cannot be reached).
    std::int32_t lResult = 0;
    // Why, in the engine's own words: its complaints, a line each, or the component's
    // error; empty when all went well.
    std::string sReason;
    // The files or entries left out, as the engine named them ("/" between folders).
    std::vector<std::string> vLeftOut;
    // A test: how many entries failed their check (the engine complains once of each).
    std::uint64_t lFailedEntries = 0;

    bool IsDone() const { return eKind == Kind::Done; }
    bool IsPartly() const { return eKind == Kind::Partly; }
    bool IsFailed() const { return eKind == Kind::Failed; }
};

// "done", "partly done" or "failed", for the log.
const char *KindText(JobOutcome::Kind eKind);

// Whether a line the engine printed is a complaint (an error, a warning, a file or
// entry left out) rather than the chatter of work going on.
bool IsEngineComplaint(std::string_view sLine);

// The file or entry that a complaint says was left out; empty when it names none.
std::string LeftOutName(std::string_view sLine);

// What the engine said of one call, gathered as it ran.
class EngineReport {
public:
    // Keeps a line the engine printed (its print call-back).
    void Add(std::string_view sLine);
    void Clear();

    const std::vector<std::string> &Complaints() const { return m_complaints; }
    const std::vector<std::string> &LeftOut() const { return m_leftOut; }
    // The complaints joined a line each; the result's own text when there were none.
    std::string Reason(std::int32_t lResult) const;

private:
    std::vector<std::string> m_complaints;
    std::vector<std::string> m_leftOut;
};
