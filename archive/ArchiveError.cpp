#include "archive/ArchiveError.h"

#include "platform/os/DynamicLibrary.h"

#include <utility>

ArchiveError::ArchiveError(std::int32_t lNumber, std::string sDescription, std::string sSource)
    : std::runtime_error(sDescription), m_lNumber(lNumber), m_sDescription(std::move(sDescription)),
      m_sSource(std::move(sSource)) {}

ArchiveError ArchiveError::SubscriptError() {
    return ArchiveError(SubscriptOutOfRange, "Subscript out of range", ExecutableName());
}

ArchiveError ArchiveError::OverflowError() {
    return ArchiveError(Overflow, "Overflow", ExecutableName());
}

ArchiveError ArchiveError::LibraryError(const std::string &sLibrary) {
    return ArchiveError(LibraryNotLoaded, "File not found: " + sLibrary, ExecutableName());
}

ArchiveError ArchiveError::EntryPointError(const std::string &sEntryPoint,
                                           const std::string &sLibrary) {
    return ArchiveError(EntryPointNotFound,
                        "Can't find DLL entry point " + sEntryPoint + " in " + sLibrary,
                        ExecutableName());
}

ArchiveError ArchiveError::PathError() {
    return ArchiveError(PathNotFound, "Path not found", ExecutableName());
}
