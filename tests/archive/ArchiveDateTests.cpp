// ArchiveDate::FromParts: any parts give a real calendar date.
#include "archive/ArchiveDate.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchiveDateFromParts, KeepsAValidDateAsItIs) {
    EXPECT_EQ(ArchiveDate::FromParts(2024, 2, 29, 13, 45, 10),
              (ArchiveDate{2024, 2, 29, 13, 45, 10}));
}

TEST(ArchiveDateFromParts, CarriesPartsBeyondTheirRangeIntoTheNextLarger) {
    EXPECT_EQ(ArchiveDate::FromParts(2023, 2, 29, 0, 0, 0), (ArchiveDate{2023, 3, 1, 0, 0, 0}));
    EXPECT_EQ(ArchiveDate::FromParts(2020, 0, 1, 0, 0, 0), (ArchiveDate{2019, 12, 1, 0, 0, 0}));
    EXPECT_EQ(ArchiveDate::FromParts(2020, 1, 1, 0, 75, 0), (ArchiveDate{2020, 1, 1, 1, 15, 0}));
    EXPECT_EQ(ArchiveDate::FromParts(2020, 25, 1, 0, 0, 0), (ArchiveDate{2022, 1, 1, 0, 0, 0}));
}

TEST(ArchiveDateFromParts, KeepsHugeValuesWithinTheCalendar) {
    EXPECT_EQ(ArchiveDate::FromParts(2020, 65535, 65535, 65535, 65535, 0),
              (ArchiveDate{7668, 3, 10, 3, 15, 0}));
    const ArchiveDate dLate = ArchiveDate::FromParts(9990, 65535, 1, 0, 0, 0);
    EXPECT_EQ(dLate, (ArchiveDate{9999, 12, 31, 23, 59, 59}));
    const ArchiveDate dEarly = ArchiveDate::FromParts(0, 0, 0, 0, 0, 0);
    EXPECT_EQ(dEarly, (ArchiveDate{100, 1, 1, 0, 0, 0}));
}

} // namespace
