// EngineProgress: an owner for the unzip and zip components that counts the
// entries the engine has reached, so that a window can show how far a long call
// has come. Both engines ask the service routine about every entry they handle
// (the components' Cancel event), once per entry, as they reach it; that is what
// is counted. Every event keeps its default answer: nothing is ever cancelled,
// no password given, no overwrite answered, no message kept.
//
// The engine call may run on another thread than the one that reads the count:
// the count is atomic, and nothing else is shared.
#pragma once

#include "archive/cUnzip.h"
#include "archive/cZip.h"

#include <atomic>
#include <cstdint>
#include <string>

class EngineProgress final : public cUnzipEvents, public cZipEvents {
public:
    // Starts counting from 0 for the next engine call.
    void Reset() { m_lDone.store(0, std::memory_order_relaxed); }
    // The entries the engine has reached since the last Reset.
    std::int32_t Done() const { return m_lDone.load(std::memory_order_relaxed); }

    void Cancel(const std::string &sMsg, bool &bCancel) override;

private:
    std::atomic<std::int32_t> m_lDone{0};
};

// The number of entries the unzip engine lists in sArchive (folder entries left
// out, as the unzip component lists them), made with a component of its own so
// that no other component's listing or selection changes. 0 for an archive it
// cannot read; a missing engine raises the unzip component's error.
std::int32_t ListedEntryCount(const std::string &sArchive);
