#include "editor/ArchiveNames.h"

#include <gtest/gtest.h>

TEST(ArchiveNames, ProperCaseRaisesTheFirstLetterAndEveryLetterAfterABlank) {
    EXPECT_EQ(ProperCase(QStringLiteral("scripts")), QStringLiteral("Scripts"));
    EXPECT_EQ(ProperCase(QStringLiteral("SCRIPTS")), QStringLiteral("Scripts"));
    EXPECT_EQ(ProperCase(QStringLiteral("big  MAP pack")), QStringLiteral("Big  Map Pack"));
    EXPECT_EQ(ProperCase(QStringLiteral(" lead")), QStringLiteral(" Lead"));
    // Only a blank starts a word.
    EXPECT_EQ(ProperCase(QStringLiteral("o'NEIL-SKINS_x")), QStringLiteral("O'neil-skins_x"));
    EXPECT_EQ(ProperCase(QStringLiteral("2fort")), QStringLiteral("2fort"));
    EXPECT_EQ(ProperCase(QStringLiteral("ÉCLAIR éTÉ")), QStringLiteral("Éclair Été"));
    EXPECT_EQ(ProperCase(QString()), QString());
}

TEST(ArchiveNames, DisplayNameDropsTheExtensionWhateverItsCase) {
    EXPECT_EQ(ArchiveDisplayName(QStringLiteral("scripts.vl2")), QStringLiteral("Scripts"));
    EXPECT_EQ(ArchiveDisplayName(QStringLiteral("MY SKINS.VL2")), QStringLiteral("My Skins"));
    EXPECT_EQ(ArchiveDisplayName(QStringLiteral("interiors.Vl2")), QStringLiteral("Interiors"));
    EXPECT_EQ(ArchiveDisplayName(QStringLiteral(".vl2")), QString());
    EXPECT_EQ(ArchiveDisplayName(QStringLiteral("vl2")), QString());
}

TEST(ArchiveNames, ArchiveFileNamesEndInVl2InAnyCase) {
    EXPECT_TRUE(IsArchiveFileName("scripts.vl2"));
    EXPECT_TRUE(IsArchiveFileName("SCRIPTS.VL2"));
    EXPECT_TRUE(IsArchiveFileName("x.vL2"));
    EXPECT_FALSE(IsArchiveFileName("scripts.vl2.bak"));
    EXPECT_FALSE(IsArchiveFileName("scripts.zip"));
    EXPECT_FALSE(IsArchiveFileName("vl2"));
    EXPECT_FALSE(IsArchiveFileName("scriptsvl2"));
}

TEST(ArchiveNames, BackslashSeparatedTextsBecomeSlashSeparatedPathParts) {
    EXPECT_EQ(DiskPart(QStringLiteral("textures\\skins")), "textures/skins");
    EXPECT_EQ(DiskPart(QStringLiteral("textures\\skins\\a.png")), "textures/skins/a.png");
    EXPECT_EQ(DiskPart(QStringLiteral("plain")), "plain");
    EXPECT_EQ(DiskPart(QStringLiteral("Été")), "Été");
}
