// libFuzzer target: bytes through the reader of Wine's system.reg, as the
// game search reads it at start from every prefix it finds, for the keys the
// search asks for. Only memory errors and hangs can stop it.
#include "support/SettingsKeys.h"
#include "support/WineRegistryFile.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The keys the game search asks for, in both of their places.
    static const std::vector<std::string> keys = {
        kGameSetupKey,
        "SOFTWARE\\Wow6432Node\\Sierra Online\\Setup\\Tribes2",
        kPhotoshopKey,
        "SOFTWARE\\Wow6432Node\\Adobe\\Photoshop\\6.0\\ApplicationPath",
    };
    const wine::RegistryRead read =
        wine::ParseRegistryKeys(std::string(reinterpret_cast<const char *>(data), size), keys);
    for (const wine::RegistryKey &key : read.keys)
        (void)key.FindValue("directory");
    return 0;
}
