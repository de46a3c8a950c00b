// Pelterbox in a folder of its own without the engine libraries: a compression and
// an extraction meet a missing library, say so, and give the window back.
#include "tests/skins/PelterboxFixture.h"

TEST_F(PelterboxTest, WithoutTheEngineNothingIsSaidToBeCompressedOrExtracted) {
    const QString sSkin = m_home.Path() + QStringLiteral("/red.png");
    const QString sArchive = m_home.Path() + QStringLiteral("/pack.vl2");
    WriteFile(sSkin, "png");
    WriteArchive(sArchive, {{"textures/skins/a.png", "a"}});
    Load();

    Type("txtCompressPng", sSkin);
    Click("cmdCompressAdd");
    m_desktop.AnswerFile(m_home.Path() + QStringLiteral("/new.vl2"));
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdCompress");
    // The box names the library and where it was looked for.
    ExpectBoxes({{"Skins were NOT compressed successfully.", MsgIcon::Critical, MsgButtons::OK,
                  "File not found: libpakwriter.so (the engine library was looked for in ",
                  m_home.Path() + "/new.vl2"}});
    EXPECT_EQ(ListedSkins(), QStringList{"red.png"});
    ExpectIdle();

    Type("txtExtractVL2", sArchive);
    Type("txtExtractFolder", m_home.Path());
    m_desktop.AnswerMessage(MsgAnswer::OK);
    Click("cmdExtract");
    ExpectBoxes({{"Skins were NOT extracted successfully.", MsgIcon::Critical, MsgButtons::OK,
                  "File not found: libpakreader.so", sArchive}});
    EXPECT_EQ(Box("txtExtractVL2")->text(), sArchive);
    ExpectIdle();
}
