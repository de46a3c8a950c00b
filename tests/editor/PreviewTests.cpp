// The preview before unpacking: Space on a file in the tree, or Preview in the tree's
// context menu, shows a picture, the text or the entry's facts, read from the archive
// without writing into the game's folder or the work folder; in edit mode the unpacked
// file as it is now. Space or Escape close it, the arrow keys move it along.
#include "editor/PreviewContent.h"
#include "editor/frmPreview.h"
#include "tests/editor/WorkflowFixture.h"

#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QTest>

namespace {

// The zip format's CRC-32, bit by bit.
std::uint32_t Crc32(const QByteArray &data) {
    std::uint32_t lCrc = 0xFFFFFFFFu;
    for (const char c : data) {
        lCrc ^= static_cast<unsigned char>(c);
        for (int i = 0; i < 8; ++i)
            lCrc = (lCrc >> 1) ^ (0xEDB88320u & (0u - (lCrc & 1u)));
    }
    return ~lCrc;
}

QByteArray Png(int nWidth, int nHeight) {
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class PreviewTest : public WorkflowTest {
protected:
    void SetUp() override {
        // A temporary place of this test's own: tests run side by side make theirs too.
        m_sTempBefore = qgetenv("TMPDIR");
        m_bTempSet = qEnvironmentVariableIsSet("TMPDIR");
        const QString sTemp = m_home.Path() + QStringLiteral("/tmp");
        QDir().mkpath(sTemp);
        qputenv("TMPDIR", sTemp.toLocal8Bit());
        m_wave = QByteArray(5000, 'w');
        MakeArchive(QStringLiteral("textures.vl2"),
                    {{QStringLiteral("textures/skins/red.png"), Png(64, 32)},
                     {QStringLiteral("textures/skins/broken.png"), "not a picture"},
                     {QStringLiteral("textures/notes.txt"), "first line\nsecond line\n"},
                     {QStringLiteral("textures/latin.txt"), "caf\xe9\n"},
                     {QStringLiteral("textures/sound.wav"), m_wave},
                     {QStringLiteral("other/readme.txt"), "other\n"}});
        Load();
        Choose(QStringLiteral("Textures"));
        m_tempBefore = TempPreviews();
    }
    void Select(const QString &sText) {
        const QModelIndex node = Node(sText);
        Tree()->expand(node.parent());
        Tree()->setCurrentIndex(node);
        Tree()->selectionModel()->select(node, QItemSelectionModel::ClearAndSelect);
    }
    void Key(Qt::Key eKey) { QTest::keyClick(Tree(), eKey); }
    frmPreview *Preview() { return m_pMain->Preview(); }
    bool PreviewShown() { return Preview() && Preview()->isVisible(); }
    static QStringList TempPreviews() {
        return QDir(QDir::tempPath()).entryList({QStringLiteral("keplo-preview-*")}, QDir::AllEntries);
    }
    // Nothing was written into the game's folder or the work folder, and the
    // temporary place is gone.
    void ExpectNothingWritten() {
        EXPECT_EQ(Listing(m_sGame), (QStringList{"GameData/", "GameData/base/",
                                                  "GameData/base/textures.vl2"}));
        EXPECT_FALSE(QFileInfo::exists(m_sWork));
        EXPECT_EQ(TempPreviews(), m_tempBefore);
    }

    void TearDown() override {
        if (m_bTempSet)
            qputenv("TMPDIR", m_sTempBefore);
        else
            qunsetenv("TMPDIR");
    }

    QByteArray m_wave;
    QStringList m_tempBefore;
    QByteArray m_sTempBefore;
    bool m_bTempSet = false;
};

TEST_F(PreviewTest, SpaceShowsAPictureWithItsPixelSizeReadFromTheArchiveAlone) {
    Select(QStringLiteral("red.png"));
    Key(Qt::Key_Space);
    ASSERT_TRUE(PreviewShown());
    EXPECT_EQ(Preview()->windowTitle(), QStringLiteral("red.png - Preview"));
    EXPECT_EQ(Preview()->Shown(), PreviewKind::Picture);
    EXPECT_EQ(Preview()->Picture().size(), QSize(64, 32));
    EXPECT_EQ(Preview()->PixelSize(), QStringLiteral("64 × 32 pixels"));
    // Scaled to fit the room it has: as wide or as high as it.
    const QLabel *pPicture = Preview()->findChild<QLabel *>(QStringLiteral("picPreview"));
    ASSERT_NE(pPicture, nullptr);
    const QSize shown = pPicture->pixmap().size();
    EXPECT_GT(pPicture->width(), 64);
    EXPECT_TRUE(shown.width() == pPicture->width() || shown.height() == pPicture->height())
        << shown.width() << "x" << shown.height() << " in " << pPicture->width() << "x"
        << pPicture->height();
    EXPECT_EQ(shown.width(), 2 * shown.height());
    EXPECT_TRUE(Preview()->Note().isEmpty());
    // It never takes the keyboard from the tree.
    EXPECT_TRUE(Preview()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(Preview()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    ExpectNothingWritten();
    ExpectIdle();
}

TEST_F(PreviewTest, EachKindShowsWhatItCanAndSaysWhatItCannot) {
    struct Case {
        const char *sNode;
        PreviewKind eKind;
        QString sShown; // the text, or the facts' first line
        QString sNote;
    } const cases[] = {
        {"notes.txt", PreviewKind::Text, QStringLiteral("first line\nsecond line\n"), {}},
        {"latin.txt", PreviewKind::Text, QStringLiteral("café\n"),
         QStringLiteral("This text is not UTF-8: it is shown as Latin-1.")},
        {"sound.wav", PreviewKind::Facts, QStringLiteral("Size: 5,000 bytes (4.9 KiB)"), {}},
        // A picture that does not decode has its facts shown.
        {"broken.png", PreviewKind::Facts, QStringLiteral("Size: 13 bytes"),
         QStringLiteral("The picture could not be decoded: ")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sNode);
        Select(QString::fromLatin1(c.sNode));
        m_pMain->PreviewSelectedFile();
        ASSERT_TRUE(PreviewShown());
        EXPECT_EQ(Preview()->windowTitle(), QString::fromLatin1(c.sNode) + " - Preview");
        EXPECT_EQ(Preview()->Shown(), c.eKind);
        if (c.eKind == PreviewKind::Text)
            EXPECT_EQ(Preview()->Text(), c.sShown);
        else
            EXPECT_EQ(Preview()->Facts().section(QLatin1Char('\n'), 0, 0), c.sShown);
        EXPECT_TRUE(Preview()->Note().startsWith(c.sNote)) << Preview()->Note().toStdString();
        EXPECT_EQ(Preview()->Note().isEmpty(), c.sNote.isEmpty());
    }
    ExpectNothingWritten();
}

TEST_F(PreviewTest, FactsGiveSizesMethodCrcAndDate) {
    Select(QStringLiteral("sound.wav"));
    m_pMain->PreviewSelectedFile();
    const QStringList lines = Preview()->Facts().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Packed size: "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Method: "))) << lines[2].toStdString();
    const std::uint32_t lCrc = Crc32(m_wave);
    EXPECT_EQ(lines[3], QStringLiteral("CRC: %1").arg(
                            QString::number(lCrc, 16).rightJustified(8, '0').toUpper()));
    EXPECT_TRUE(lines[4].contains(QRegularExpression(
        QStringLiteral("^Date: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$"))))
        << lines[4].toStdString();
}

TEST_F(PreviewTest, SpaceOrEscapeCloseItAndTheArrowKeysMoveItAlong) {
    Select(QStringLiteral("notes.txt"));
    Key(Qt::Key_Space);
    ASSERT_TRUE(PreviewShown());
    Key(Qt::Key_Down);
    EXPECT_EQ(Tree()->currentIndex().data().toString(), QStringLiteral("latin.txt"));
    EXPECT_EQ(Preview()->windowTitle(), QStringLiteral("latin.txt - Preview"));
    Key(Qt::Key_Space);
    EXPECT_FALSE(PreviewShown());

    Key(Qt::Key_Space);
    ASSERT_TRUE(PreviewShown());
    // A folder node leaves the preview as it is.
    Select(QStringLiteral("other"));
    EXPECT_EQ(Preview()->windowTitle(), QStringLiteral("latin.txt - Preview"));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(PreviewShown());
    // Space on a folder shows nothing.
    Key(Qt::Key_Space);
    EXPECT_FALSE(PreviewShown());
    ExpectNothingWritten();
}

TEST_F(PreviewTest, InEditModeTheUnpackedFileIsShownAsItIsNow) {
    Click("cmdExtract");
    WriteFile(m_sWork + QStringLiteral("/Textures/textures/notes.txt"), "changed by the user\n");
    Select(QStringLiteral("notes.txt"));
    m_pMain->PreviewSelectedFile();
    EXPECT_EQ(Preview()->Text(), QStringLiteral("changed by the user\n"));
    // A file the user took away says so, with the entry's facts.
    QFile::remove(m_sWork + QStringLiteral("/Textures/other/readme.txt"));
    Select(QStringLiteral("readme.txt"));
    m_pMain->PreviewSelectedFile();
    EXPECT_EQ(Preview()->Shown(), PreviewKind::Facts);
    EXPECT_EQ(Preview()->Note(), QStringLiteral("The unpacked file is not in the work folder."));
}

TEST_F(PreviewTest, TheTreesContextMenuOffersEditFileOpenFolderAndPreview) {
    auto items = [&] {
        QMenu menu;
        m_pMain->FillTreeMenu(menu);
        QStringList texts;
        for (const QAction *pAction : menu.actions())
            if (!pAction->isSeparator())
                texts << pAction->text() + (pAction->isEnabled() ? "" : " (off)");
        return texts;
    };
    EXPECT_EQ(items(), (QStringList{"&Edit File (off)", "&Open Folder (off)", "&Preview (off)"}));
    Select(QStringLiteral("notes.txt"));
    EXPECT_EQ(items(), (QStringList{"&Edit File (off)", "&Open Folder (off)", "&Preview"}));
    Click("cmdExtract");
    Select(QStringLiteral("notes.txt"));
    EXPECT_EQ(items(), (QStringList{"&Edit File", "&Open Folder", "&Preview"}));
    Select(QStringLiteral("other"));
    EXPECT_EQ(items(), (QStringList{"&Edit File (off)", "&Open Folder", "&Preview (off)"}));
}

// ---- Reading what the window shows.

class PreviewContentTest : public ::testing::Test {
protected:
    std::string Write(const QByteArray &data) {
        const QString sPath = m_dir.path() + QStringLiteral("/f");
        WriteFile(sPath, data);
        return sPath.toStdString();
    }
    QTemporaryDir m_dir;
};

TEST_F(PreviewContentTest, TextIsCutAfter2MBWithoutPartingACharacter) {
    // "é" is two bytes: an odd start puts the cut in the middle of one.
    const QByteArray data = "x" + QByteArray("\xc3\xa9").repeated(1024 * 1024 + 10);
    const PreviewText text = ReadPreviewText(Write(data));
    EXPECT_EQ(text.sText.size(), 1 + (2 * 1024 * 1024 - 1) / 2);
    EXPECT_TRUE(text.sText.endsWith(QStringLiteral("é")));
    EXPECT_EQ(text.sNote, QStringLiteral("Only the first 2 MB of 2,097,173 bytes (2.0 MiB) are "
                                         "shown."));
}

TEST_F(PreviewContentTest, AFileThatCannotBeReadGivesANote) {
    const PreviewText text = ReadPreviewText(m_dir.path().toStdString() + "/missing");
    EXPECT_TRUE(text.sText.isEmpty());
    EXPECT_TRUE(text.sNote.startsWith(QStringLiteral("The file could not be read: ")));
    const PreviewPicture picture = ReadPreviewPicture(m_dir.path().toStdString() + "/missing");
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_TRUE(picture.sNote.startsWith(QStringLiteral("The picture could not be read: ")));
}

TEST_F(PreviewContentTest, KindsSizesAndDates) {
    struct Kind {
        const char *sName;
        PreviewKind eKind;
    } const kinds[] = {{"a.png", PreviewKind::Picture}, {"a.JPG", PreviewKind::Picture},
                       {"a.jpeg", PreviewKind::Picture}, {"a.bmp", PreviewKind::Picture},
                       {"a.gif", PreviewKind::Picture}, {"a.cs", PreviewKind::Text},
                       {"a.mis", PreviewKind::Text},     {"a.gui", PreviewKind::Text},
                       {"a.txt", PreviewKind::Text},     {"a.wav", PreviewKind::Facts},
                       {"a.dts", PreviewKind::Facts},    {"a.ter", PreviewKind::Facts}};
    for (const Kind &k : kinds)
        EXPECT_EQ(PreviewKindOf(QString::fromLatin1(k.sName)), k.eKind) << k.sName;
    struct Size {
        std::uint64_t lBytes;
        const char *sText;
    } const sizes[] = {{0, "0 bytes"},
                       {1, "1 byte"},
                       {1023, "1,023 bytes"},
                       {1024, "1,024 bytes (1.0 KiB)"},
                       {3221225472u, "3,221,225,472 bytes (3.0 GiB)"},
                       {4294967295u, "4,294,967,295 bytes (4.0 GiB)"}};
    for (const Size &s : sizes)
        EXPECT_EQ(SizeText(s.lBytes), QString::fromLatin1(s.sText));
    EXPECT_EQ(DateText(ArchiveDate{2024, 2, 9, 7, 5, 0}), QStringLiteral("2024-02-09 07:05"));
    EXPECT_EQ(DateText(ArchiveDate{}), QString());
}

} // namespace
