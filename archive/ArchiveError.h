// The one error type that the archive components raise. It carries the numbers
// the programs have always shown for these failures, a description and the
// name of what raised it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class ArchiveError : public std::runtime_error {
public:
    // Error numbers the components raise.
    static constexpr std::int32_t SubscriptOutOfRange = 9;
    static constexpr std::int32_t Overflow = 6;
    static constexpr std::int32_t LibraryNotLoaded = 48;
    static constexpr std::int32_t PathNotFound = 76;
    static constexpr std::int32_t EntryPointNotFound = 453;

    ArchiveError(std::int32_t lNumber, std::string sDescription, std::string sSource);

    std::int32_t Number() const noexcept { return m_lNumber; }
    const std::string &Description() const noexcept { return m_sDescription; }
    const std::string &Source() const noexcept { return m_sSource; }

    // The errors by kind, with their standard descriptions and the running program's
    // name as source.
    static ArchiveError SubscriptError();
    static ArchiveError OverflowError();
    static ArchiveError LibraryError(const std::string &sLibrary);
    static ArchiveError EntryPointError(const std::string &sEntryPoint,
                                        const std::string &sLibrary);
    static ArchiveError PathError();

private:
    std::int32_t m_lNumber;
    std::string m_sDescription;
    std::string m_sSource;
};
