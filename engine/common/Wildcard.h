// Matching names against file specifications with the wildcards "*" (any
// run of characters) and "?" (one character). Every other character stands
// for itself, so names holding "[" or "]" match literally.
#ifndef KEPLO_ENGINE_COMMON_WILDCARD_H
#define KEPLO_ENGINE_COMMON_WILDCARD_H

#include <string_view>

namespace engine {

// True when the pattern holds "*" or "?".
bool HasWildcards(std::string_view pattern);

// Matches text against pattern, character by character (callers fold case first
// where names match without regard to it). With
// crossFolders false, neither wildcard matches a "/", so "*.png" matches
// "a.png" but not "sub/a.png"; with it true they match anything.
bool WildcardMatch(std::string_view pattern, std::string_view text, bool crossFolders);

} // namespace engine

#endif
