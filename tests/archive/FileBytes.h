// Writing and reading whole files by their bytes, for the tests that run the real
// engine.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Writes sData to tPath, making its folders first.
inline void WriteFile(const std::filesystem::path &tPath, const std::string &sData) {
    std::filesystem::create_directories(tPath.parent_path());
    std::ofstream(tPath, std::ios::binary) << sData;
}

// The bytes of tPath; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path &tPath) {
    std::ifstream tIn(tPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(tIn), std::istreambuf_iterator<char>());
}
