// The benchmark's figures mean something only if its corpus is what it
// claims to be: the same for one seed, of the promised size and shape, and
// compressing per kind as the game's files do.
#include "CorpusLayout.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <set>

namespace {

double DeflatedShare(const std::vector<unsigned char> &bytes) {
    uLongf packed = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<unsigned char> out(packed);
    EXPECT_EQ(compress2(out.data(), &packed, bytes.data(), static_cast<uLong>(bytes.size()), 6),
              Z_OK);
    return static_cast<double>(packed) / static_cast<double>(bytes.size());
}

std::vector<unsigned char> Content(ContentKind kind, size_t size, const char *name) {
    CorpusRandom random = CorpusRandom::ForItem(7, name);
    return MakeContent(kind, size, "stem", random);
}

TEST(Corpus, OneSeedGivesTheSameLayoutAndBytesAndAnotherSeedDoesNot) {
    std::vector<CorpusFile> first = LayOutBigCorpus(11), second = LayOutBigCorpus(11);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].path, second[i].path);
        EXPECT_EQ(first[i].size, second[i].size);
        EXPECT_EQ(first[i].modified, second[i].modified);
    }
    EXPECT_EQ(Content(ContentKind::Shape, 5000, "a"), Content(ContentKind::Shape, 5000, "a"));
    EXPECT_NE(Content(ContentKind::Shape, 5000, "a"), Content(ContentKind::Shape, 5000, "b"));
    EXPECT_NE(LayOutBigCorpus(12)[0].path + std::to_string(LayOutBigCorpus(12)[0].size),
              first[0].path + std::to_string(first[0].size));
}

TEST(Corpus, BigLayoutHoldsAboutThreeThousandUniqueFilesOfAboutHundredMegabytes) {
    std::vector<CorpusFile> files = LayOutBigCorpus(20010320);
    std::set<std::string> paths;
    std::map<std::string, int> roots;
    size_t bytes = 0;
    for (const CorpusFile &file : files) {
        EXPECT_TRUE(paths.insert(file.path).second) << file.path;
        EXPECT_EQ(file.modified % 2, 0) << "zip stores times in two-second steps";
        ++roots[file.path.substr(0, file.path.find('/'))];
        bytes += file.size;
    }
    EXPECT_EQ(files.size(), 3000u);
    EXPECT_GT(bytes, 90u * 1000 * 1000);
    EXPECT_LT(bytes, 110u * 1000 * 1000);
    for (const char *root : {"textures", "shapes", "interiors", "scripts", "gui", "audio"})
        EXPECT_GT(roots[root], 0) << root;
}

TEST(Corpus, SmallLayoutHoldsTwentyThousandSmallFilesInHundredsOfFolders) {
    std::vector<CorpusFile> files = LayOutSmallCorpus(20010320);
    std::set<std::string> paths, folders;
    for (const CorpusFile &file : files) {
        EXPECT_TRUE(paths.insert(file.path).second) << file.path;
        EXPECT_LE(file.size, 4000u);
        folders.insert(file.path.substr(0, file.path.rfind('/')));
    }
    EXPECT_EQ(files.size(), 20000u);
    EXPECT_GT(folders.size(), 200u);
}

TEST(Corpus, ImagesDoNotCompressShapesHalveAndTextShrinksMost) {
    std::vector<unsigned char> image = Content(ContentKind::Image, 60000, "i");
    EXPECT_EQ(image.size(), 60000u);
    EXPECT_EQ(std::string(image.begin() + 1, image.begin() + 4), "PNG");
    EXPECT_GT(DeflatedShare(image), 0.99);
    for (ContentKind kind : {ContentKind::Shape, ContentKind::Interior}) {
        double share = DeflatedShare(Content(kind, 60000, "s"));
        EXPECT_GT(share, 0.40);
        EXPECT_LT(share, 0.60);
    }
    for (ContentKind kind : {ContentKind::Script, ContentKind::Gui, ContentKind::Mission}) {
        std::vector<unsigned char> text = Content(kind, 20000, "t");
        EXPECT_EQ(text.size(), 20000u);
        EXPECT_LT(DeflatedShare(text), 0.30);
    }
}

} // namespace
