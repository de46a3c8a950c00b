// Comparing names without regard to letter case, as the settings store and the
// file helpers match names. Only ASCII letters fold; other characters compare as bytes.
#pragma once

#include <string>
#include <string_view>

std::string FoldCase(std::string_view sText);

bool SameCaseBlind(std::string_view sA, std::string_view sB);

bool StartsWithCaseBlind(std::string_view sText, std::string_view sPrefix);
