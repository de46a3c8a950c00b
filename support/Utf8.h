// Writing text as UTF-8, the programs' own encoding, from the UTF-16 that Windows
// files (registry exports, Wine's registry) carry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string &sOut, std::uint32_t lCode);

// Turns a stream of UTF-16 code units into UTF-8, pairing surrogates as they come; a
// surrogate without its partner becomes U+FFFD, so that any input gives valid text.
class Utf16ToUtf8 {
public:
    explicit Utf16ToUtf8(std::string &sOut) : m_sOut(sOut) {}
    ~Utf16ToUtf8() { Flush(); }
    Utf16ToUtf8(const Utf16ToUtf8 &) = delete;
    Utf16ToUtf8 &operator=(const Utf16ToUtf8 &) = delete;

    void Unit(std::uint16_t lUnit);
    // Ends a run of units: a high surrogate still waiting becomes U+FFFD.
    void Flush();

private:
    std::string &m_sOut;
    std::uint16_t m_lHigh = 0;
};

// The UTF-8 form of UTF-16LE bytes; an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view sBytes);
