#include "archive/jobs/JobOutcome.h"

#include "engine/include/PakEngine.h"

#include <array>

namespace {

// How the complaints begin, once the blanks in front are taken away.
constexpr std::array<std::string_view, 8> kComplaintStarts = {
    "error", "zip error", "warning", "zip warning", "caution", "skipping", "incorrect password",
    "zip: cancelled"};

std::string_view WithoutLeadingBlanks(std::string_view sLine) {
    const std::size_t lFirst = sLine.find_first_not_of(' ');
    return lFirst == std::string_view::npos ? std::string_view() : sLine.substr(lFirst);
}

bool StartsWith(std::string_view sText, std::string_view sStart) {
    return sText.substr(0, sStart.size()) == sStart;
}

// The name between sStart and the last occurrence of sBeforeReason, or what follows
// sStart when sBeforeReason is empty.
std::string NameAfter(std::string_view sLine, std::string_view sStart,
                      std::string_view sBeforeReason) {
    if (!StartsWith(sLine, sStart))
        return {};
    std::string_view sRest = sLine.substr(sStart.size());
    if (!sBeforeReason.empty()) {
        const std::size_t lReason = sRest.rfind(sBeforeReason);
        if (lReason == std::string_view::npos)
            return {};
        sRest = sRest.substr(0, lReason);
    }
    return std::string(sRest);
}

} // namespace

const char *KindText(JobOutcome::Kind eKind) {
    switch (eKind) {
    case JobOutcome::Kind::Done:
        return "done";
    case JobOutcome::Kind::Partly:
        return "partly done";
    case JobOutcome::Kind::Failed:
        break;
    }
    return "failed";
}

bool IsEngineComplaint(std::string_view sLine) {
    const std::string_view sText = WithoutLeadingBlanks(sLine);
    for (std::string_view sStart : kComplaintStarts)
        if (StartsWith(sText, sStart))
            return true;
    return false;
}

std::string LeftOutName(std::string_view sLine) {
    for (const auto &[sStart, sBeforeReason] :
         std::array<std::pair<std::string_view, std::string_view>, 4>{{
             {"zip warning: skipping ", " ("},
             {"zip warning: name not matched: ", ""},
             {"   skipping: ", "  ("},
             {"caution: filename not matched:  ", ""},
         }}) {
        std::string sName = NameAfter(sLine, sStart, sBeforeReason);
        if (!sName.empty())
            return sName;
    }
    return {};
}

void EngineReport::Add(std::string_view sLine) {
    while (!sLine.empty() && (sLine.back() == '\n' || sLine.back() == '\r'))
        sLine.remove_suffix(1);
    if (!IsEngineComplaint(sLine))
        return;
    m_complaints.emplace_back(sLine);
    std::string sName = LeftOutName(sLine);
    if (!sName.empty())
        m_leftOut.push_back(std::move(sName));
}

void EngineReport::Clear() {
    m_complaints.clear();
    m_leftOut.clear();
}

std::string EngineReport::Reason(std::int32_t lResult) const {
    std::string sReason;
    for (const std::string &sLine : m_complaints)
        sReason += (sReason.empty() ? "" : "\n") + std::string(WithoutLeadingBlanks(sLine));
    if (sReason.empty() && lResult != ENGINE_OK)
        sReason = EngineResultText(lResult);
    return sReason;
}
