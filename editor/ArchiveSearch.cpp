#include "editor/ArchiveSearch.h"

#include "archive/jobs/JobRunner.h"
#include "editor/FileTypes.h"

#include <cstring>
#include <map>
#include <sys/stat.h>

std::string FoldForSearch(std::string_view sText) {
    std::string sFolded(sText);
    bool bPlain = true;
    for (char &c : sFolded) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            bPlain = false;
            break;
        }
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (bPlain)
        return sFolded;
    return QString::fromUtf8(sText.data(), static_cast<qsizetype>(sText.size()))
        .toCaseFolded()
        .toStdString();
}

// ---- The pattern.

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the UTF-8 character that starts at lAt (1 for a stray byte).
std::size_t CharLength(std::string_view sText, std::size_t lAt) {
    std::size_t lEnd = lAt + 1;
    while (lEnd < sText.size() && IsContinuation(sText[lEnd]))
        ++lEnd;
    return lEnd - lAt;
}

} // namespace

SearchPattern::SearchPattern(const QString &sText) {
    QString sPattern = sText;
    sPattern.replace(QLatin1Char('\\'), QLatin1Char('/'));
    m_bEmpty = sPattern.trimmed().isEmpty();
    const std::string sFolded = FoldForSearch(sPattern.toStdString());
    std::size_t lStart = 0;
    for (std::size_t lStar = sFolded.find('*'); ; lStar = sFolded.find('*', lStart)) {
        const std::string sSegment = sFolded.substr(lStart, lStar == std::string::npos
                                                                ? std::string::npos
                                                                : lStar - lStart);
        // "**" and a leading or trailing "*" add nothing: a path matches anywhere.
        if (!sSegment.empty())
            m_segments.push_back(sSegment);
        if (lStar == std::string::npos)
            break;
        lStart = lStar + 1;
    }
}

bool SearchPattern::MatchesAt(std::string_view sSegment, std::string_view sText, std::size_t lAt,
                              std::size_t &lEnd) {
    std::size_t t = lAt;
    for (std::size_t s = 0; s < sSegment.size(); ++s) {
        if (t >= sText.size())
            return false;
        if (sSegment[s] == '?') {
            t += CharLength(sText, t);
        } else {
            if (sSegment[s] != sText[t])
                return false;
            ++t;
        }
    }
    lEnd = t;
    return true;
}

std::size_t SearchPattern::Find(std::string_view sSegment, std::string_view sText,
                                std::size_t lFrom, std::size_t &lEnd) {
    const char cFirst = sSegment.front();
    for (std::size_t lAt = lFrom; lAt < sText.size();) {
        if (cFirst != '?') {
            // Straight to the next place the segment's first byte is found.
            const void *pFound = std::memchr(sText.data() + lAt, cFirst, sText.size() - lAt);
            if (pFound == nullptr)
                return std::string_view::npos;
            lAt = static_cast<std::size_t>(static_cast<const char *>(pFound) - sText.data());
        }
        if (MatchesAt(sSegment, sText, lAt, lEnd))
            return lAt;
        lAt += cFirst == '?' ? CharLength(sText, lAt) : 1;
    }
    return std::string_view::npos;
}

bool SearchPattern::Matches(std::string_view sFoldedPath) const {
    if (m_bEmpty)
        return false;
    // The pattern stands between two "*": each segment, leftmost first, after the one
    // before it.
    std::size_t lFrom = 0;
    for (const std::string &sSegment : m_segments) {
        std::size_t lEnd = 0;
        if (Find(sSegment, sFoldedPath, lFrom, lEnd) == std::string_view::npos)
            return false;
        lFrom = lEnd;
    }
    return true;
}

// ---- One archive's listing.

void SearchListing::Add(std::string_view sFolder, std::string_view sName, std::uint64_t lSize,
                        const ArchiveDate &date) {
    std::string sPath;
    sPath.reserve(sFolder.size() + 1 + sName.size());
    if (!sFolder.empty())
        sPath.append(sFolder).append(1, '/');
    sPath.append(sName);
    for (char &c : sPath)
        if (c == '\\')
            c = '/';
    const std::string sFolded = FoldForSearch(sPath);
    m_entries.push_back(Entry{m_paths.size(), m_folded.size(),
                              static_cast<std::uint32_t>(sPath.size()),
                              static_cast<std::uint32_t>(sFolded.size()), lSize, date,
                              TreeIconNumberOfName(sName) != 0});
    m_paths.append(sPath);
    m_folded.append(sFolded);
}

std::string_view SearchListing::Path(std::size_t lEntry) const {
    const Entry &entry = m_entries[lEntry];
    return std::string_view(m_paths).substr(entry.lPathStart, entry.lPathLength);
}

std::string_view SearchListing::FoldedPath(std::size_t lEntry) const {
    const Entry &entry = m_entries[lEntry];
    return std::string_view(m_folded).substr(entry.lFoldedStart, entry.lFoldedLength);
}

// ---- The index.

ArchiveSearchIndex::ArchiveSearchIndex() = default;
ArchiveSearchIndex::~ArchiveSearchIndex() = default;

std::size_t ArchiveSearchIndex::Prepare(const std::vector<GameArchiveChoice> &choices) {
    std::map<std::string, Archive> known;
    for (Archive &archive : m_archives)
        known.emplace(archive.choice.sPath, std::move(archive));
    m_archives.clear();
    std::size_t lToRead = 0;
    for (const GameArchiveChoice &choice : choices) {
        struct stat st {};
        const bool bThere = stat(choice.sPath.c_str(), &st) == 0;
        const auto lSize = bThere ? static_cast<std::uint64_t>(st.st_size) : 0;
        const std::int64_t lTime =
            bThere ? static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec
                   : 0;
        Archive archive;
        if (const auto it = known.find(choice.sPath);
            it != known.end() && it->second.bRead && it->second.lSize == lSize &&
            it->second.lTime == lTime)
            archive = std::move(it->second);
        else
            ++lToRead;
        // What the chooser makes of it may change while the listing stays.
        archive.choice = choice;
        archive.lSize = lSize;
        archive.lTime = lTime;
        m_archives.push_back(std::move(archive));
    }
    return lToRead;
}

void ArchiveSearchIndex::ReadMissing(std::atomic<int> *pRead) {
    for (Archive &archive : m_archives) {
        if (archive.bRead)
            continue;
        archive.listing = SearchListing();
        archive.sProblem.clear();
        DirectRunner runner;
        const JobOutcome outcome = m_jobs.List(archive.choice.sPath, runner);
        if (outcome.IsFailed()) {
            archive.sProblem = QString::fromStdString(
                outcome.sReason.empty() ? std::string("it could not be listed") : outcome.sReason);
        } else {
            for (std::int32_t i = 1; i <= m_cUnzip.FileCount(); ++i)
                archive.listing.Add(m_cUnzip.FileDirectory(i), m_cUnzip.Filename(i),
                                    m_cUnzip.FileBytes(i), m_cUnzip.FileDate(i));
        }
        // The listing is the index's now: the component's copy goes.
        m_cUnzip.SetZipFile(std::string());
        archive.bRead = true;
        ++m_lListingsRead;
        if (pRead)
            pRead->fetch_add(1, std::memory_order_relaxed);
    }
}

std::vector<SearchMatch> ArchiveSearchIndex::Search(const SearchPattern &pattern) const {
    std::vector<SearchMatch> matches;
    if (pattern.IsEmpty())
        return matches;
    for (std::size_t a = 0; a < m_archives.size(); ++a) {
        const SearchListing &listing = m_archives[a].listing;
        for (std::size_t e = 0; e < listing.Count(); ++e)
            if (pattern.Matches(listing.FoldedPath(e)))
                matches.push_back(
                    SearchMatch{static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(e)});
    }
    return matches;
}
