// libFuzzer target: bytes through the settings store's reader of ".reg"
// files, as a hand-edited store or a file given to "keplo-reg import" reaches
// it. A file that parses must build into a document (or be refused for
// holding deletions), merge as an import, and come back unchanged from the
// writer: the store rewrites its file whole on every change, so anything the
// reader takes and the writer cannot give back would be lost. Aborts
// otherwise.
#include "support/RegFileFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const regstore::RegFileParse parsed = regstore::ParseRegFile(bytes);
    if (!parsed.bOk)
        return 0;
    regstore::RegDocument imported;
    regstore::MergeSections(parsed.sections, imported);
    regstore::RegDocument document;
    std::string error;
    if (!regstore::BuildDocument(parsed.sections, document, error))
        return 0;
    const std::string written = regstore::FormatRegFile(document);
    const regstore::RegFileParse again = regstore::ParseRegFile(written);
    regstore::RegDocument reread;
    if (!again.bOk || !regstore::BuildDocument(again.sections, reread, error) ||
        regstore::FormatRegFile(reread) != written) {
        std::fprintf(stderr, "the store's own file does not read back as written:\n%s\n", written.c_str());
        abort();
    }
    return 0;
}
