// Where an archive sub-folder's Extract snapshot is kept between runs, and its form
// on disk: one file per archive sub-folder in Keplo's state folder
// ($XDG_STATE_HOME/Keplo, by default ~/.local/state/Keplo), replaced whole or not at
// all. A file that is missing, cut short, damaged or another folder's reads as no
// snapshot: nothing is then known about what changed.
#pragma once

#include "editor/ExtractSnapshot.h"

#include <optional>
#include <string>
#include <vector>

// The file that holds the snapshot of sSubFolder; empty when there is no state folder.
std::string SnapshotFilePath(const std::string &sSubFolder);

// Writes the snapshot crash-safely, replacing any earlier one of its sub-folder.
bool StoreExtractSnapshot(const ExtractSnapshot &snapshot);
// The stored snapshot of sSubFolder; nothing when there is none that can be trusted.
std::optional<ExtractSnapshot> LoadExtractSnapshot(const std::string &sSubFolder);
void RemoveExtractSnapshot(const std::string &sSubFolder);

// Takes and stores the snapshot of what Extract just unpacked into sSubFolder from
// the archive whose stamp was archive: the files at sPaths below it (the entries'
// paths, ListedEntries::Paths). When no snapshot can be taken or stored, none is
// left of that folder.
void RecordExtractSnapshot(const std::string &sSubFolder, const FileStamp &archive,
                           std::vector<std::string> sPaths);

// The snapshot's bytes on disk, and back; nothing for bytes that are not a whole,
// undamaged snapshot.
std::string EncodeExtractSnapshot(const ExtractSnapshot &snapshot);
std::optional<ExtractSnapshot> DecodeExtractSnapshot(const std::string &sBytes);
