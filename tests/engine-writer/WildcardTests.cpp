// The wildcard matcher behind file specifications and delete mode.
#include "engine/common/Wildcard.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using engine::WildcardMatch;

TEST(WildcardTest, StarAndQuestionMarkMatchWithinOneFolderLevel) {
    EXPECT_TRUE(WildcardMatch("*.png", "red.png", false));
    EXPECT_TRUE(WildcardMatch("*", "", false));
    EXPECT_TRUE(WildcardMatch("r?d.*", "red.png", false));
    EXPECT_FALSE(WildcardMatch("*.png", "red.png.bak", false));
    EXPECT_FALSE(WildcardMatch("*.png", "sub/red.png", false));
    EXPECT_FALSE(WildcardMatch("sub?red.png", "sub/red.png", false));
    EXPECT_TRUE(WildcardMatch("sub/*.png", "sub/red.png", false));
    EXPECT_FALSE(WildcardMatch("?", "", false));
}

TEST(WildcardTest, CrossingFoldersLetsWildcardsMatchSlashes) {
    EXPECT_TRUE(WildcardMatch("textures/*", "textures/skins/red.png", true));
    EXPECT_TRUE(WildcardMatch("*.png", "textures/skins/red.png", true));
    EXPECT_FALSE(WildcardMatch("textures/*", "textures/skins/red.png", false));
}

TEST(WildcardTest, OtherCharactersStandForThemselvesAndCaseCounts) {
    EXPECT_TRUE(WildcardMatch("skin[1].png", "skin[1].png", false));
    EXPECT_FALSE(WildcardMatch("skin[1].png", "skin1.png", false));
    EXPECT_FALSE(WildcardMatch("*.PNG", "red.png", false));
}

TEST(WildcardTest, ManyStarsOnALongNameStillFinishQuickly) {
    const std::string name(5000, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*b", name, false));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*", name, false));
}

} // namespace
