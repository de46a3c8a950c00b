// The settings store's file: reading it afresh, and changing it under the writers'
// lock with a crash-safe replacement. A file that cannot be parsed reads as an empty
// store and is kept aside (registry.reg.damaged-<time>) before a write replaces it.
#pragma once

#include "support/RegDocument.h"

#include <functional>
#include <string>

namespace regstore {

enum class StoreRead {
    Read,       // the document holds the file's content
    Missing,    // no file yet: an empty store
    Damaged,    // the file does not parse: reads as an empty store
    Unreadable, // the file exists but cannot be read
};

// Parses the store's file afresh; never creates anything. psError, when given, receives
// the reason for Damaged or Unreadable.
StoreRead ReadStore(RegDocument &doc, std::string *psError = nullptr);

enum class StoreUpdate { Written, Unchanged, Failed };

// Takes the writers' lock, reads the store, lets fnChange edit the document and, when it
// returns true, writes the complete new file over the old one. Failed (with psError)
// when the store's folder, lock or file cannot be used; the file is then unchanged.
// psKeptAside, when given, receives the name under which a damaged file was kept.
StoreUpdate UpdateStore(const std::function<bool(RegDocument &)> &fnChange,
                        std::string *psError = nullptr, std::string *psKeptAside = nullptr);

} // namespace regstore
