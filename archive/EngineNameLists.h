// Name lists in the engines' form: 1024 slots of pointers to zero-terminated
// texts, each list owning the texts its slots point at for as long as it lives.
#pragma once

#include "engine/include/PakEngine.h"

#include <cstdint>
#include <string>
#include <vector>

class EngineNameListBuffer {
public:
    EngineNameListBuffer() = default;
    EngineNameListBuffer(const EngineNameListBuffer &) = delete;
    EngineNameListBuffer &operator=(const EngineNameListBuffer &) = delete;

    // The unzip engine's form: names in slots 0 to n-1, an empty text in slot n,
    // every other slot null. More than 1023 names raise error 9.
    void FillEndedByEmpty(const std::vector<std::string> &vNames);
    // The zip engine's form: names in slots 0 to n-1, slot n null, an empty text in
    // slot n+1, every other slot null. More than 1022 names raise error 9.
    void FillEndedByNullThenEmpty(const std::vector<std::string> &vNames);

    char **Slots() { return m_tList.Names; }

private:
    void Fill(const std::vector<std::string> &vNames, std::size_t lEmptySlot);

    EngineNameList m_tList{};
    std::vector<std::string> m_vTexts;
};
