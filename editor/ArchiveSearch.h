// Find in Archives without a window: the listings of every archive of the game, kept
// while each archive's size and time stay as they were, and a pattern matched against
// every entry's path.
//
// A pattern matches a path anywhere in it, letter case aside (beyond ASCII too); "*"
// stands for any run of characters, "?" for any one character, and "\" is read as the
// "/" between folders.
//
//     ArchiveSearchIndex index;
//     if (index.Prepare(GameArchiveChoices(sBase)) > 0)
//         index.ReadMissing();                 // slow: off the window's thread
//     for (const SearchMatch &match : index.Search(SearchPattern(QStringLiteral("*.png"))))
//         ... index.At(match.lArchive), index.PathOf(match) ...
#pragma once

#include "archive/ArchiveDate.h"
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "archive/jobs/ArchiveJobs.h"
#include "editor/GameArchiveList.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text folded for a comparison without regard to letter case: ASCII letters in lower
// case byte by byte, any other text through Unicode's case folding; UTF-8 in and out.
std::string FoldForSearch(std::string_view sText);

class SearchPattern {
public:
    explicit SearchPattern(const QString &sText);
    // Whether the pattern has anything to match: all blanks has not.
    bool IsEmpty() const { return m_bEmpty; }
    // Whether a folded path matches.
    bool Matches(std::string_view sFoldedPath) const;

private:
    // Where the segment matches in sText at or after lFrom; npos when it does not.
    static std::size_t Find(std::string_view sSegment, std::string_view sText, std::size_t lFrom,
                            std::size_t &lEnd);
    static bool MatchesAt(std::string_view sSegment, std::string_view sText, std::size_t lAt,
                          std::size_t &lEnd);

    std::vector<std::string> m_segments; // the folded pattern, parted at each "*"
    bool m_bEmpty = true;
};

// One archive's entries as a search reads them.
class SearchListing {
public:
    void Add(std::string_view sFolder, std::string_view sName, std::uint64_t lSize,
             const ArchiveDate &date);
    std::size_t Count() const { return m_entries.size(); }
    // The entry's path inside the archive, "/" between folders.
    std::string_view Path(std::size_t lEntry) const;
    std::string_view FoldedPath(std::size_t lEntry) const;
    std::uint64_t Size(std::size_t lEntry) const { return m_entries[lEntry].lSize; }
    const ArchiveDate &Date(std::size_t lEntry) const { return m_entries[lEntry].date; }
    // Whether the tree shows entries of its type.
    bool Shown(std::size_t lEntry) const { return m_entries[lEntry].bShown; }

private:
    struct Entry {
        std::uint64_t lPathStart;
        std::uint64_t lFoldedStart;
        std::uint32_t lPathLength;
        std::uint32_t lFoldedLength;
        std::uint64_t lSize;
        ArchiveDate date;
        bool bShown;
    };
    std::vector<Entry> m_entries;
    std::string m_paths;
    std::string m_folded;
};

struct SearchMatch {
    std::uint32_t lArchive; // ArchiveSearchIndex::At
    std::uint32_t lEntry;   // in that archive's listing
};

class ArchiveSearchIndex {
public:
    struct Archive {
        GameArchiveChoice choice;
        std::uint64_t lSize = 0;
        std::int64_t lTime = 0; // nanoseconds, as the file system gives the time
        bool bRead = false;
        // Why it could not be listed, in the engine's words; empty when it was.
        QString sProblem;
        SearchListing listing;
    };

    ArchiveSearchIndex();
    ~ArchiveSearchIndex();
    ArchiveSearchIndex(const ArchiveSearchIndex &) = delete;
    ArchiveSearchIndex &operator=(const ArchiveSearchIndex &) = delete;

    // Takes the archives to search, in this order: each keeps its listing when its
    // size and time are those it was read with, the others are to be read; archives no
    // longer there are dropped. Returns how many are to be read.
    std::size_t Prepare(const std::vector<GameArchiveChoice> &choices);
    // Reads the listings Prepare found missing, counting them in *pRead. Touches only
    // the index: it may run off the window's thread, with no other engine call running.
    void ReadMissing(std::atomic<int> *pRead = nullptr);

    std::vector<SearchMatch> Search(const SearchPattern &pattern) const;

    std::size_t ArchiveCount() const { return m_archives.size(); }
    const Archive &At(std::size_t lArchive) const { return m_archives[lArchive]; }
    // How many listings were read since the index was made.
    std::size_t ListingsRead() const { return m_lListingsRead; }

private:
    std::vector<Archive> m_archives;
    std::size_t m_lListingsRead = 0;
    // Components of its own: the window's keep their listing.
    cUnzip m_cUnzip;
    cZip m_cZ;
    ArchiveJobs m_jobs{m_cUnzip, m_cZ};
};
