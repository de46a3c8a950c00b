#include "archive/EngineProgress.h"

void EngineProgress::Cancel(const std::string &, bool &) {
    m_lDone.fetch_add(1, std::memory_order_relaxed);
}

std::int32_t ListedEntryCount(const std::string &sArchive) {
    cUnzip oCount;
    oCount.SetZipFile(sArchive);
    oCount.Directory();
    return oCount.FileCount();
}
