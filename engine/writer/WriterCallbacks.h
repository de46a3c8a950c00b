// The call-back routines registered with ZpInit, wrapped so that a missing
// routine has a safe default answer. Every method runs on the thread that
// called ZpArchive.
#ifndef KEPLO_ENGINE_WRITER_WRITER_CALLBACKS_H
#define KEPLO_ENGINE_WRITER_WRITER_CALLBACKS_H

#include "engine/include/PakEngine.h"

#include <optional>
#include <string>
#include <string_view>

namespace writer {

class WriterCallbacks {
public:
    WriterCallbacks() = default;
    explicit WriterCallbacks(const ZipCallbackTable &table) : m_table(table), m_set(true) {}

    // One line through the print routine (a "\n" is added).
    void Print(std::string_view line) const;

    // Asks the service routine about the file or entry being handled; true
    // when the caller wants the engine to stop.
    bool ServiceWantsStop(std::string_view entryName) const;

    // Asks the password routine once; nullopt when none was given.
    std::optional<std::string> AskPassword(std::string_view archivePath) const;

    // Offers the archive comment to the comment routine; the answer, or
    // nullopt when the routine is missing or answers with nothing.
    std::optional<std::string> AskComment(std::string_view current) const;

private:
    ZipCallbackTable m_table{};
    bool m_set = false;
};

} // namespace writer

#endif
