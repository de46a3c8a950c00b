// The include and exclude lists and the entry-path check, on their own.
#include "engine/common/EntryPath.h"
#include "engine/common/Wildcard.h"
#include "engine/reader/NameSelection.h"

#include <gtest/gtest.h>

namespace {

using engine::NameSelection;
using engine::PathVerdict;

TEST(NameSelectionTest, EmptyIncludeListSelectsEverythingButTheExcluded)
{
    char excluded[] = "*.DSO";
    char *excludes[] = {excluded, nullptr};
    NameSelection selection(0, nullptr, 1, excludes, false);
    EXPECT_TRUE(selection.Selects("a/b.png"));
    EXPECT_FALSE(selection.Selects("scripts/x.dso"));
    EXPECT_TRUE(selection.Unmatched().empty());
}

TEST(NameSelectionTest, CountStopsAtTheFirstNullSlot)
{
    char first[] = "a.txt";
    char *includes[] = {first, nullptr};
    NameSelection selection(1023, includes, 0, nullptr, false);
    EXPECT_TRUE(selection.Selects("A.txt"));
    EXPECT_FALSE(selection.Selects("b.txt"));
}

TEST(NameSelectionTest, UnmatchedNamesAreReportedOnce)
{
    char a[] = "a.txt", again[] = "A.TXT", missing[] = "missing/x.png";
    char *includes[] = {a, again, missing};
    NameSelection selection(3, includes, 0, nullptr, false);
    EXPECT_TRUE(selection.Selects("a.txt"));
    EXPECT_EQ(selection.Unmatched(), (std::vector<std::string>{"missing/x.png"}));
}

TEST(NameSelectionTest, BackslashesInEitherSideCompareAsSlashes)
{
    char name[] = "textures\\skins\\a.png";
    char *includes[] = {name};
    NameSelection selection(1, includes, 0, nullptr, true);
    EXPECT_TRUE(selection.Selects("textures/skins/a.png"));
    EXPECT_FALSE(selection.Selects("Textures/skins/a.png"));
}

TEST(NameSelectionTest, WildcardsMatchAcrossFoldersAndLiteralStars)
{
    EXPECT_TRUE(engine::WildcardMatch("textures/*.png", "textures/skins/a.png", true));
    EXPECT_TRUE(engine::WildcardMatch("?.txt", "a.txt", true));
    EXPECT_FALSE(engine::WildcardMatch("?.txt", "ab.txt", true));
    EXPECT_TRUE(engine::WildcardMatch("a*", "a*", true));
    EXPECT_TRUE(engine::WildcardMatch("*", "", true));
    EXPECT_FALSE(engine::WildcardMatch("*.png*x", "a.png", true));
}

TEST(EntryPathTest, SafeNamesSplitIntoTheirParts)
{
    std::vector<std::string> parts;
    EXPECT_EQ(engine::SplitEntryPath("a\\b/./c//d.txt", parts), PathVerdict::Safe);
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "c", "d.txt"}));
    EXPECT_EQ(engine::SplitEntryPath("./", parts), PathVerdict::Empty);
    EXPECT_EQ(engine::SplitEntryPath("a/..b/c..", parts), PathVerdict::Safe);
}

TEST(EntryPathTest, UnsafeNamesAreRefusedWithTheirReason)
{
    std::vector<std::string> parts;
    EXPECT_EQ(engine::SplitEntryPath("a/../../b", parts), PathVerdict::ParentReference);
    EXPECT_TRUE(parts.empty());
    EXPECT_EQ(engine::SplitEntryPath("a\\..\\b", parts), PathVerdict::ParentReference);
    EXPECT_EQ(engine::SplitEntryPath("/etc/passwd", parts), PathVerdict::Absolute);
    EXPECT_EQ(engine::SplitEntryPath("\\\\server\\share", parts), PathVerdict::Absolute);
    EXPECT_EQ(engine::SplitEntryPath("D:\\x", parts), PathVerdict::DriveLetter);
    EXPECT_EQ(engine::SplitEntryPath("", parts), PathVerdict::Empty);
}

} // namespace
