// A stand-in for an editor that writes down the arguments it was started with: each
// argument followed by a NUL byte, into the file that KEPLO_RECORDED_ARGS names. The
// file appears whole (written beside it, then renamed), so a test can wait for it.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    const char *sOutput = std::getenv("KEPLO_RECORDED_ARGS");
    if (!sOutput)
        return 2;
    const std::string sTemp = std::string(sOutput) + ".part";
    std::FILE *pFile = std::fopen(sTemp.c_str(), "wb");
    if (!pFile)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fwrite(argv[i], 1, std::string(argv[i]).size() + 1, pFile);
    if (std::fclose(pFile) != 0)
        return 1;
    return std::rename(sTemp.c_str(), sOutput) == 0 ? 0 : 1;
}
