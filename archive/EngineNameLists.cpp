#include "archive/EngineNameLists.h"

#include "archive/ArchiveError.h"

void EngineNameListBuffer::FillEndedByEmpty(const std::vector<std::string> &vNames) {
    Fill(vNames, vNames.size());
}

void EngineNameListBuffer::FillEndedByNullThenEmpty(const std::vector<std::string> &vNames) {
    Fill(vNames, vNames.size() + 1);
}

void EngineNameListBuffer::Fill(const std::vector<std::string> &vNames, std::size_t lEmptySlot) {
    if (lEmptySlot >= ENGINE_NAME_LIST_SLOTS)
        throw ArchiveError::SubscriptError();

    m_tList = EngineNameList{};
    // Every text is in place before any slot points at it: growing the vector
    // would move short texts that live inside their string objects.
    m_vTexts.assign(vNames.begin(), vNames.end());
    m_vTexts.emplace_back();
    for (std::size_t i = 0; i < vNames.size(); ++i)
        m_tList.Names[i] = m_vTexts[i].data();
    m_tList.Names[lEmptySlot] = m_vTexts.back().data();
}
