#include "engine/reader/NameSelection.h"

#include "engine/common/EntryPath.h"
#include "engine/common/Wildcard.h"

namespace engine {

NameSelection::NameSelection(int32_t includeCount, char **includeNames, int32_t excludeCount,
                             char **excludeNames, bool caseSensitive)
    : m_caseSensitive(caseSensitive)
{
    Fill(m_include, includeCount, includeNames);
    Fill(m_exclude, excludeCount, excludeNames);
    m_matched.assign(m_include.names.size(), false);
}

void NameSelection::Fill(NameList &list, int32_t count, char **names)
{
    if (names == nullptr)
        return;
    for (int32_t i = 0; i < count; ++i) {
        if (names[i] == nullptr)
            break;
        std::string name = ToForwardSlashes(names[i]);
        if (name.empty())
            continue;
        const size_t index = list.names.size();
        const std::string folded = Fold(name);
        list.names.push_back(std::move(name));
        if (folded.find_first_of("*?") != std::string::npos) {
            list.patterns.push_back(index);
            list.foldedPatterns.push_back(folded);
        } else {
            list.literal.emplace(folded, index); // the first of two equal names keeps the match
        }
    }
}

std::string NameSelection::Fold(std::string_view name) const
{
    std::string folded(name);
    if (!m_caseSensitive)
        for (char &c : folded)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

long NameSelection::Find(const NameList &list, const std::string &folded) const
{
    if (const auto it = list.literal.find(folded); it != list.literal.end())
        return static_cast<long>(it->second);
    for (size_t i = 0; i < list.patterns.size(); ++i)
        if (WildcardMatch(list.foldedPatterns[i], folded, true))
            return static_cast<long>(list.patterns[i]);
    return -1;
}

bool NameSelection::Selects(std::string_view entryName)
{
    if (m_include.names.empty() && m_exclude.names.empty())
        return true; // the usual case: every entry
    const std::string folded = Fold(ToForwardSlashes(entryName));
    if (!m_include.names.empty()) {
        const long index = Find(m_include, folded);
        if (index < 0)
            return false;
        m_matched[static_cast<size_t>(index)] = true;
        // Every other equal name or matching pattern counts as matched too.
        for (size_t i = 0; i < m_include.patterns.size(); ++i)
            if (WildcardMatch(m_include.foldedPatterns[i], folded, true))
                m_matched[m_include.patterns[i]] = true;
    }
    return m_exclude.names.empty() || Find(m_exclude, folded) < 0;
}

std::vector<std::string> NameSelection::Unmatched() const
{
    std::vector<std::string> unmatched;
    for (size_t i = 0; i < m_include.names.size(); ++i)
        if (!m_matched[i]) {
            // A repeated literal name shares the match of its first copy.
            const auto it = m_include.literal.find(Fold(m_include.names[i]));
            if (it != m_include.literal.end() && m_matched[it->second])
                continue;
            unmatched.push_back(m_include.names[i]);
        }
    return unmatched;
}

} // namespace engine
