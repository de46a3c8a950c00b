#include "engine/common/Wildcard.h"

namespace engine {

bool HasWildcards(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool WildcardMatch(std::string_view pattern, std::string_view text, bool crossFolders) {
    // Greedy matching with one back-track point: the last "*" seen. On a
    // mismatch the star takes one more character and matching resumes, so
    // the time stays proportional to pattern length times text length.
    size_t p = 0;
    size_t t = 0;
    size_t starP = std::string_view::npos;
    size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
            continue;
        }
        if (p < pattern.size() &&
            (pattern[p] == text[t] || (pattern[p] == '?' && (crossFolders || text[t] != '/')))) {
            ++p;
            ++t;
            continue;
        }
        // A star may not swallow a "/" unless folders may be crossed.
        if (starP != std::string_view::npos && (crossFolders || text[starT] != '/')) {
            p = starP + 1;
            t = ++starT;
            continue;
        }
        return false;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace engine
