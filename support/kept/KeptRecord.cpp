#include "support/kept/KeptRecord.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

constexpr std::string_view kFirstLine = "Keplo kept version 1";

const char *KindName(KeptKind eKind) {
    return eKind == KeptKind::Original ? "original" : "previous";
}

// A value on one line: "\" and line breaks escaped.
std::string Escaped(const std::string &sValue) {
    std::string sOut;
    for (const char c : sValue) {
        if (c == '\\')
            sOut += "\\\\";
        else if (c == '\n')
            sOut += "\\n";
        else if (c == '\r')
            sOut += "\\r";
        else
            sOut += c;
    }
    return sOut;
}

std::optional<std::string> Unescaped(std::string_view sValue) {
    std::string sOut;
    for (std::size_t i = 0; i < sValue.size(); ++i) {
        if (sValue[i] != '\\') {
            sOut += sValue[i];
            continue;
        }
        if (++i == sValue.size())
            return std::nullopt;
        switch (sValue[i]) {
        case '\\':
            sOut += '\\';
            break;
        case 'n':
            sOut += '\n';
            break;
        case 'r':
            sOut += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return sOut;
}

std::string TimeText(const StampTime &t) {
    char sNanos[16];
    std::snprintf(sNanos, sizeof sNanos, "%09lld", static_cast<long long>(t.lNanoseconds));
    return std::to_string(t.lSeconds) + "." + sNanos;
}

template <class T> bool ParseNumber(std::string_view sText, T &lValue) {
    if (sText.empty())
        return false;
    const auto [pEnd, error] = std::from_chars(sText.data(), sText.data() + sText.size(), lValue);
    return error == std::errc() && pEnd == sText.data() + sText.size();
}

bool ParseTime(std::string_view sText, StampTime &t) {
    const std::size_t lDot = sText.find('.');
    if (lDot == std::string_view::npos || sText.size() - lDot - 1 != 9)
        return false;
    return ParseNumber(sText.substr(0, lDot), t.lSeconds) &&
           ParseNumber(sText.substr(lDot + 1), t.lNanoseconds);
}

void PutStamp(std::string &sOut, const char *sPrefix, const FileStamp &stamp) {
    const std::string sP(sPrefix);
    sOut += sP + "size=" + std::to_string(stamp.lSize) + "\n";
    sOut += sP + "modified=" + TimeText(stamp.tModified) + "\n";
    sOut += sP + "inode=" + std::to_string(stamp.lInode) + "\n";
    sOut += sP + "device=" + std::to_string(stamp.lDevice) + "\n";
}

// The stamp of a regular file from the fields with this prefix; false when one is
// missing or wrong.
bool TakeStamp(const std::map<std::string, std::string> &fields, const std::string &sPrefix,
               FileStamp &stamp) {
    auto field = [&](const char *sName) -> const std::string * {
        const auto it = fields.find(sPrefix + sName);
        return it == fields.end() ? nullptr : &it->second;
    };
    const std::string *pSize = field("size");
    const std::string *pModified = field("modified");
    const std::string *pInode = field("inode");
    const std::string *pDevice = field("device");
    if (!pSize || !pModified || !pInode || !pDevice)
        return false;
    stamp = FileStamp{};
    stamp.eKind = StampKind::Regular;
    return ParseNumber(*pSize, stamp.lSize) && stamp.lSize >= 0 &&
           ParseTime(*pModified, stamp.tModified) && ParseNumber(*pInode, stamp.lInode) &&
           ParseNumber(*pDevice, stamp.lDevice);
}

} // namespace

std::string EncodeKeptRecord(const KeptRecord &record) {
    std::string sOut(kFirstLine);
    sOut += "\n";
    sOut += "archive=" + Escaped(record.sKey) + "\n";
    sOut += std::string("kind=") + KindName(record.eKind) + "\n";
    sOut += std::string("state=") + (record.eState == KeptState::File ? "file" : "none") + "\n";
    sOut += std::string("how=") + (record.eHow == KeptHow::Link ? "link" : "copy") + "\n";
    sOut += "source=" + Escaped(record.sSource) + "\n";
    sOut += "program=" + Escaped(record.sProgram) + "\n";
    sOut += "kept=" + std::to_string(record.lKeptAt) + "\n";
    if (record.eState == KeptState::File)
        PutStamp(sOut, "", record.before);
    if (record.after) {
        sOut += std::string("after=") +
                (record.after->eKind == StampKind::Regular ? "file" : "none") + "\n";
        if (record.after->eKind == StampKind::Regular)
            PutStamp(sOut, "after-", *record.after);
    }
    if (record.lPendingPid != 0)
        sOut += "pending=" + std::to_string(record.lPendingPid) + "\n";
    return sOut;
}

std::optional<KeptRecord> DecodeKeptRecord(std::string_view sText) {
    if (sText.substr(0, kFirstLine.size()) != kFirstLine ||
        sText.substr(kFirstLine.size(), 1) != "\n")
        return std::nullopt;
    sText.remove_prefix(kFirstLine.size() + 1);
    std::map<std::string, std::string> fields;
    while (!sText.empty()) {
        const std::size_t lEnd = sText.find('\n');
        if (lEnd == std::string_view::npos)
            return std::nullopt; // cut short
        const std::string_view sLine = sText.substr(0, lEnd);
        sText.remove_prefix(lEnd + 1);
        const std::size_t lEqual = sLine.find('=');
        if (lEqual == std::string_view::npos)
            return std::nullopt;
        const std::optional<std::string> sValue = Unescaped(sLine.substr(lEqual + 1));
        if (!sValue)
            return std::nullopt;
        fields[std::string(sLine.substr(0, lEqual))] = *sValue;
    }

    KeptRecord record;
    auto text = [&](const char *sName) -> std::optional<std::string> {
        const auto it = fields.find(sName);
        return it == fields.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    const auto sKey = text("archive"), sKind = text("kind"), sState = text("state"),
               sHow = text("how"), sKept = text("kept");
    if (!sKey || !sKind || !sState || !sHow || !sKept)
        return std::nullopt;
    record.sKey = *sKey;
    if (*sKind != "original" && *sKind != "previous")
        return std::nullopt;
    record.eKind = *sKind == "original" ? KeptKind::Original : KeptKind::Previous;
    if (*sState != "file" && *sState != "none")
        return std::nullopt;
    record.eState = *sState == "file" ? KeptState::File : KeptState::None;
    if (*sHow != "link" && *sHow != "copy")
        return std::nullopt;
    record.eHow = *sHow == "link" ? KeptHow::Link : KeptHow::Copy;
    record.sSource = text("source").value_or(std::string());
    record.sProgram = text("program").value_or(std::string());
    if (!ParseNumber(*sKept, record.lKeptAt))
        return std::nullopt;
    if (record.eState == KeptState::File && !TakeStamp(fields, "", record.before))
        return std::nullopt;
    if (const auto sAfter = text("after")) {
        FileStamp after;
        if (*sAfter == "file") {
            if (!TakeStamp(fields, "after-", after))
                return std::nullopt;
        } else if (*sAfter != "none") {
            return std::nullopt;
        }
        record.after = after;
    }
    if (const auto sPending = text("pending"))
        if (!ParseNumber(*sPending, record.lPendingPid))
            return std::nullopt;
    return record;
}

bool SameArchiveFile(const FileStamp &a, const FileStamp &b) {
    if (a.eKind != b.eKind)
        return false;
    if (a.eKind != StampKind::Regular)
        return true;
    return a.lSize == b.lSize && a.tModified == b.tModified && a.lInode == b.lInode &&
           a.lDevice == b.lDevice;
}

std::string KeptDateText(std::int64_t lSeconds) {
    const std::time_t t = static_cast<std::time_t>(lSeconds);
    struct tm local {};
    if (!localtime_r(&t, &local))
        return "?";
    char sText[32];
    std::strftime(sText, sizeof sText, "%Y-%m-%d %H:%M", &local);
    return sText;
}
