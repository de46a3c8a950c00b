#include "CorpusLayout.h"

#include <algorithm>
#include <set>

namespace {

// Times in the months after the game came out, in the two-second steps that
// zip archives store.
const int64_t kFirstModified = 985046400; // 2001-03-20 00:00:00 UTC

class Layout {
public:
    explicit Layout(uint64_t seed) : m_random(seed) {}

    // Adds `count` files of one kind, each in one of `folders`, sized
    // between `low` and `high` on a log scale.
    void Add(const std::vector<std::string> &folders, ContentKind kind, int count, size_t low,
             size_t high) {
        for (int i = 0; i < count; ++i) {
            const std::string &folder = folders[m_random.Next() % folders.size()];
            std::string path;
            do
                path = folder + "/" + MakeFileStem(m_random) + std::string(ContentExtension(kind));
            while (!m_paths.insert(path).second);
            size_t size = static_cast<size_t>(m_random.LogBetween(low, high));
            int64_t modified =
                kFirstModified + 2 * static_cast<int64_t>(m_random.Between(0, 180 * 43200));
            m_files.push_back({path, kind, size, modified});
        }
    }

    CorpusRandom &Random() { return m_random; }

    // The files in path order, as an archive made from the folder lists them.
    std::vector<CorpusFile> Files() {
        std::sort(m_files.begin(), m_files.end(),
                  [](const CorpusFile &a, const CorpusFile &b) { return a.path < b.path; });
        return m_files;
    }

private:
    CorpusRandom m_random;
    std::set<std::string> m_paths;
    std::vector<CorpusFile> m_files;
};

std::vector<std::string> Under(const std::string &root, std::initializer_list<const char *> names) {
    std::vector<std::string> folders;
    for (const char *name : names)
        folders.push_back(root + "/" + name);
    return folders;
}

} // namespace

std::vector<CorpusFile> LayOutBigCorpus(uint64_t seed) {
    Layout layout(seed);
    layout.Add(Under("textures", {"lush", "desert", "ice", "badlands", "lava", "terrain", "skins",
                                  "gui", "commander/Icons", "commander/MiniIcons", "special",
                                  "hud", "flags", "particles", "fx"}),
               ContentKind::Image, 1400, 3000, 110000);
    layout.Add(Under("textures", {"skies", "terrain"}), ContentKind::Image, 30, 250000, 600000);
    layout.Add({"shapes"}, ContentKind::Shape, 540, 6000, 100000);
    layout.Add({"interiors"}, ContentKind::Interior, 110, 20000, 220000);
    layout.Add(Under("audio", {"fx/weapons", "fx/vehicles", "fx/armor", "fx/environment",
                               "fx/misc", "voice/male1", "voice/male2", "voice/female1",
                               "voice/bioderm"}),
               ContentKind::Sound, 280, 4000, 60000);
    layout.Add({"scripts", "scripts/autoexec", "scripts/turret", "scripts/vehicles"},
               ContentKind::Script, 400, 800, 40000);
    layout.Add({"gui"}, ContentKind::Gui, 160, 1500, 25000);
    layout.Add({"missions"}, ContentKind::Mission, 40, 4000, 60000);
    layout.Add({"terrains"}, ContentKind::Terrain, 40, 196609, 196609);
    return layout.Files();
}

std::vector<CorpusFile> LayOutSmallCorpus(uint64_t seed) {
    struct Root {
        const char *path;
        ContentKind kind;
    };
    const Root roots[] = {
        {"textures/skins", ContentKind::Image}, {"textures/gui", ContentKind::Image},
        {"textures/commander", ContentKind::Image}, {"shapes", ContentKind::Shape},
        {"scripts", ContentKind::Script},       {"gui", ContentKind::Gui},
        {"audio/fx", ContentKind::Sound},       {"interiors", ContentKind::Interior},
    };
    Layout layout(seed ^ 0x5A5A5A5A5A5A5A5Aull);
    int left = 20000;
    while (left > 0) {
        const Root &root = layout.Random().Pick(roots, sizeof roots / sizeof roots[0]);
        std::string folder = std::string(root.path).append("/").append(MakeFileStem(layout.Random()));
        if (layout.Random().Chance(0.4))
            folder.append("/").append(MakeFileStem(layout.Random()));
        int count = std::min(left, static_cast<int>(layout.Random().Between(10, 80)));
        layout.Add({folder}, root.kind, count, 100, 4000);
        left -= count;
    }
    return layout.Files();
}

std::vector<CorpusFile> LayOutHugeCorpus(uint64_t seed) {
    // 200 folders of 1,000 small scripts each: the archive is mostly its
    // directory, which is what listing it measures.
    Layout layout(seed ^ 0x3C3C3C3C3C3C3C3Cull);
    for (int folder = 0; folder < 200; ++folder) {
        const std::string path = "scripts/" + MakeFileStem(layout.Random()) + "-" + std::to_string(folder);
        layout.Add({path}, ContentKind::Script, 1000, 20, 200);
    }
    return layout.Files();
}
