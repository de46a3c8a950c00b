// Which entries an engine call works on: the include and exclude name lists.
#ifndef KEPLO_ENGINE_READER_NAME_SELECTION_H
#define KEPLO_ENGINE_READER_NAME_SELECTION_H

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

// Names compare with "/" separators ("\" counts as "/"), without regard to
// ASCII case unless case-sensitive. A name holding "*" or "?" is a pattern:
// "*" matches any run of characters ("/" included), "?" one character.
class NameSelection {
public:
    // A count of 0 selects every entry. Reading stops early at a null slot.
    NameSelection(int32_t includeCount, char **includeNames, int32_t excludeCount, char **excludeNames,
                  bool caseSensitive);

    // True when the entry (its stored name, "/" separators) is to be worked on.
    bool Selects(std::string_view entryName);

    // The include names that matched no entry so far.
    std::vector<std::string> Unmatched() const;

private:
    struct NameList {
        std::vector<std::string> names;                  // as handed in
        std::unordered_map<std::string, size_t> literal; // folded name -> index
        std::vector<size_t> patterns;                    // indexes of names with wildcards
        std::vector<std::string> foldedPatterns;
    };

    void Fill(NameList &list, int32_t count, char **names);
    // Index of a name of the list matching the folded entry name, or -1.
    long Find(const NameList &list, const std::string &folded) const;
    std::string Fold(std::string_view name) const;

    bool m_caseSensitive;
    NameList m_include;
    NameList m_exclude;
    std::vector<bool> m_matched;
};

} // namespace engine

#endif
