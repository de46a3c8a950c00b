// The record kept beside each kept version: which archive it is, where it came from,
// how it was kept, the archive as it was then and the archive right after the write
// that it was kept for. One small text file of "name=value" lines, which a player can
// read.
#pragma once

#include "platform/os/FileStamps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class KeptKind {
    Original, // the archive before the first write ever; kept once
    Previous, // the archive before the latest write; replaced at each write
};

enum class KeptState {
    File, // the archive as it was is kept
    None, // there was no archive: the write created it
};

enum class KeptHow { Link, Copy };

struct KeptRecord {
    std::string sKey; // the archive's path below the game folder
    KeptKind eKind = KeptKind::Original;
    KeptState eState = KeptState::File;
    KeptHow eHow = KeptHow::Link;
    std::string sSource;  // the archive's full path
    std::string sProgram; // the program that kept it: Keplo, Pelterbox, keplo-kept
    std::int64_t lKeptAt = 0; // when, in seconds since 1970
    // The archive as it was kept (File): its size, modification time, inode and device.
    FileStamp before;
    // The archive right after the write it was kept for; nothing until that write ended.
    std::optional<FileStamp> after;
    // The program that is still to finish the write (a record of a write under way).
    std::int64_t lPendingPid = 0;
};

std::string EncodeKeptRecord(const KeptRecord &record);
// The record of the text; nothing for text that is no whole record.
std::optional<KeptRecord> DecodeKeptRecord(std::string_view sText);

// Whether two stamps show the same file as far as a write would change it: its kind,
// size, modification time, inode and device (not the change time, which keeping the
// file by a link moves).
bool SameArchiveFile(const FileStamp &a, const FileStamp &b);

// The local time of a moment as "2024-05-01 14:02", as the kept versions' dates show.
std::string KeptDateText(std::int64_t lSeconds);
