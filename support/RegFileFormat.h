// The store's file format, the registry editor's export format (".reg", version 5.00):
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Sierra Online\Setup\Tribes2]
//   "directory"="/games/Tribes2"
//   @="the unnamed value"
//   "raw"=hex(2):41,00        (raw bytes of type N; "hex:" is REG_BINARY)
//   "number"=dword:0000002a
//
// Strings escape "\" and '"' with a backslash. Long hex data may continue on the next
// line after a trailing "\". Lines starting with ";" are comments. Files of the older
// "REGEDIT4" form and UTF-16LE files with a byte order mark read the same way.
// In files to import, "[-key]" deletes a key and "name"=- a value.
#pragma once

#include "support/RegDocument.h"

#include <string>
#include <vector>

namespace regstore {

struct RegFileEntry {
    std::string sName;
    bool bDelete = false;
    std::uint32_t lType = REG_NONE;
    std::string sData;
};

struct RegFileSection {
    std::string sPath;
    bool bDelete = false;
    int lLine = 0;
    std::vector<RegFileEntry> entries;
};

struct RegFileParse {
    bool bOk = false;
    std::string sError; // "line 7: ..." when bOk is false
    std::vector<RegFileSection> sections;
};

RegFileParse ParseRegFile(const std::string &sBytes);

// The document in the file format, ending with a line break.
std::string FormatRegFile(const RegDocument &doc);

// Builds the document a store file holds. Sections that name the same key merge; a later
// value replaces an earlier one of the same name. False (with sError) for deletions,
// which a store file never holds.
bool BuildDocument(const std::vector<RegFileSection> &sections, RegDocument &doc,
                   std::string &sError);

// Applies the sections of an imported file to the document as the registry editor does:
// creates every key with the keys above it, sets the values, carries out deletions.
void MergeSections(const std::vector<RegFileSection> &sections, RegDocument &doc);

} // namespace regstore
