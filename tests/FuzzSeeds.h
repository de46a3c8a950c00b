// Files the tests write that a fuzz target of their reader starts from: when
// KEPLO_FUZZ_SEEDS names a folder, each one is copied into its kind's folder
// there (tests/fuzz/run-fuzz-files runs the tests so). Otherwise nothing.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

inline void KeepFuzzSeed(const std::string &sKind, const std::filesystem::path &file) {
    const char *sSeeds = std::getenv("KEPLO_FUZZ_SEEDS");
    std::error_code error;
    if (sSeeds == nullptr || *sSeeds == '\0' || !std::filesystem::is_regular_file(file, error))
        return;
    static std::atomic<unsigned> count{0};
    const std::filesystem::path folder = std::filesystem::path(sSeeds) / sKind;
    std::filesystem::create_directories(folder, error);
    const std::string sName = std::to_string(getpid()) + "-" + std::to_string(count++) + "-" +
                              file.filename().string();
    std::filesystem::copy_file(file, folder / sName, std::filesystem::copy_options::overwrite_existing, error);
}
