#include "archive/EngineCalls.h"

#include <algorithm>
#include <cstring>

namespace {

// Messages and names outside 2 to 31999 bytes are ignored.
constexpr std::uint32_t kShortestMessage = 2;
constexpr std::uint32_t kLongestMessage = 31999;
// Most bytes of a password handed to an engine.
constexpr std::size_t kLongestPassword = 254;

} // namespace

bool AskByteProgress(void (*pProgress)(std::uint64_t *, std::uint64_t *), std::uint64_t *pDone,
                     std::uint64_t *pTotal) {
    if (pProgress == nullptr)
        return false;
    pProgress(pDone, pTotal);
    return true;
}

std::vector<char> EngineText(const std::string &sText) {
    std::vector<char> vText(sText.begin(), sText.end());
    vText.push_back('\0');
    return vText;
}

std::string TextFrom(const std::vector<char> &vText) {
    return std::string(vText.data(), strnlen(vText.data(), vText.size()));
}

std::string TrimSpaces(const std::string &sText) {
    const std::size_t lFirst = sText.find_first_not_of(' ');
    if (lFirst == std::string::npos)
        return std::string();
    const std::size_t lLast = sText.find_last_not_of(' ');
    return sText.substr(lFirst, lLast - lFirst + 1);
}

bool IsEngineMessageCount(std::uint32_t lCount) {
    return lCount >= kShortestMessage && lCount <= kLongestMessage;
}

std::int32_t ReplaceCharAfterFirst(std::string &sText, char cFind, char cReplace) {
    std::int32_t lAfterLast = 1;
    for (std::size_t i = 1; i < sText.size(); ++i) {
        if (sText[i] == cFind) {
            sText[i] = cReplace;
            lAfterLast = static_cast<std::int32_t>(i + 2);
        }
    }
    return lAfterLast;
}

void WriteEnginePassword(char *pBuffer, std::int32_t lSize, const std::string &sPassword) {
    std::size_t lBytes = std::min(sPassword.size(), kLongestPassword);
    lBytes = std::min(lBytes, static_cast<std::size_t>(lSize) - 1);
    std::memcpy(pBuffer, sPassword.data(), lBytes);
    pBuffer[lBytes] = '\0';
}
