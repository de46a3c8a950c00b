// How the writing of new entries went, shared by everything that writes
// them during one ZpArchive call.
#ifndef KEPLO_ENGINE_WRITER_WRITE_OUTCOME_H
#define KEPLO_ENGINE_WRITER_WRITE_OUTCOME_H

#include <string>

namespace writer {

struct WriteOutcome {
    bool cancelled = false;
    bool readFailed = false;
    std::string failure; // the message to print when a file could not be read
};

} // namespace writer

#endif
