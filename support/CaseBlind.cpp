#include "support/CaseBlind.h"

namespace {

char FoldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string FoldCase(std::string_view sText) {
    std::string sResult(sText);
    for (char &c : sResult) {
        c = FoldChar(c);
    }
    return sResult;
}

bool SameCaseBlind(std::string_view sA, std::string_view sB) {
    if (sA.size() != sB.size()) {
        return false;
    }
    for (size_t i = 0; i < sA.size(); ++i) {
        if (FoldChar(sA[i]) != FoldChar(sB[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithCaseBlind(std::string_view sText, std::string_view sPrefix) {
    return sText.size() >= sPrefix.size() &&
           SameCaseBlind(sText.substr(0, sPrefix.size()), sPrefix);
}
