// A file or folder that becomes an entry of the archive being written.
#ifndef KEPLO_ENGINE_WRITER_NEW_ENTRY_H
#define KEPLO_ENGINE_WRITER_NEW_ENTRY_H

#include "engine/writer/FileSelection.h"

#include <cstddef>

namespace writer {

struct NewEntry {
    const SelectedItem *item = nullptr;
    const char *verb = "adding"; // or "updating", for the messages
    size_t job = 0;              // a file's compression job
};

} // namespace writer

#endif
