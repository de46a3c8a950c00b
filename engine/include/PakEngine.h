/*
 * The published interface of the archive engine libraries, libpakreader.so
 * (listing, testing and extraction) and libpakwriter.so (packing): the file
 * names they are loaded by, the records and call-back tables exchanged with
 * them, their entry points, their result codes with a short text for each,
 * and the mark that exports an entry point. Everything that calls an engine,
 * and the engines themselves, include this header and nothing else of each
 * other.
 *
 * The records cross a library boundary, so the field order is fixed. Every
 * integer field is 32 bits wide; texts are pointers to zero-terminated
 * UTF-8 strings. On a 32-bit build each offset and size equals the
 * engine interface's published layout byte for byte (checked below); on a
 * 64-bit build pointers take 8 bytes with their natural alignment, so the
 * fields after a pointer move, but the order never changes.
 *
 * Plain C so that the engines, the components and a 32-bit syntax check
 * can all include it.
 */
#ifndef KEPLO_ENGINE_PAK_ENGINE_H
#define KEPLO_ENGINE_PAK_ENGINE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The libraries ------------------------------------------------------ */

/* The file names the engine libraries are loaded by. */
#define PAK_READER_LIBRARY "libpakreader.so"
#define PAK_WRITER_LIBRARY "libpakwriter.so"

/*
 * Marks a function as an entry point of an engine library: C linkage and
 * default visibility. The engine libraries are built with
 * -fvisibility=hidden, so only functions carrying this mark are exported.
 */
#ifdef __cplusplus
#define ENGINE_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define ENGINE_EXPORT __attribute__((visibility("default")))
#endif

/* ---- Unzip engine (libpakreader.so) ------------------------------------ */

/* Command record handed to Wiz_SingleEntryUnzip. */
typedef struct UnzipCommandRecord {
    int32_t ExtractOnlyNewer;   /*  0: 1 = only entries newer than the file on disk */
    int32_t SpaceToUnderscore;  /*  4: 1 = blanks in names become "_" */
    int32_t PromptToOverwrite;  /*  8: 1 = ask the overwrite call-back */
    int32_t MessageLevel;       /* 12: passed through unchanged */
    int32_t Reserved16;         /* 16 */
    int32_t TestArchive;        /* 20: 1 = test only, write nothing */
    int32_t ListOnly;           /* 24: 1 = report entries through the listing call-back */
    int32_t Reserved28;         /* 28 */
    int32_t Reserved32;         /* 32 */
    int32_t UseFolderNames;     /* 36: 1 = recreate the entry's folders below the target */
    int32_t OverwriteExisting;  /* 40: 1 = replace existing files without asking */
    int32_t ConvertCRToCRLF;    /* 44 */
    int32_t Reserved48;         /* 48 */
    int32_t CaseSensitive;      /* 52: 1 = include names match case-sensitively */
    int32_t Reserved56;         /* 56 */
    char *ArchivePath;          /* 60 */
    char *TargetFolder;         /* 64 */
} UnzipCommandRecord;

typedef int32_t (*UnzipPrintRoutine)(char *buffer, uint32_t count);
typedef int32_t (*UnzipSoundRoutine)(void);
typedef int32_t (*UnzipOverwriteRoutine)(char *name);
typedef int32_t (*UnzipPasswordRoutine)(char *buffer, int32_t size, char *prompt, char *entryName);
typedef void (*UnzipListingRoutine)(uint32_t packedSize, uint32_t size, int32_t ratio, uint32_t month,
                                    uint32_t day, uint32_t year, uint32_t hour, uint32_t minute,
                                    uint32_t second, char *path, char *method, uint32_t crc,
                                    uint32_t attributes);
typedef int32_t (*UnzipServiceRoutine)(char *name, uint32_t count);

/* Call-back table handed to Wiz_SingleEntryUnzip. */
typedef struct UnzipCallbackTable {
    UnzipPrintRoutine Print;
    UnzipSoundRoutine Sound; /* always null */
    UnzipOverwriteRoutine Overwrite;
    UnzipPasswordRoutine Password;
    UnzipListingRoutine Listing;
    UnzipServiceRoutine Service;
    int32_t Reserved[5]; /* set to 0, never read back */
} UnzipCallbackTable;

/* A name list: 1024 slots. */
#define ENGINE_NAME_LIST_SLOTS 1024
typedef struct EngineNameList {
    char *Names[ENGINE_NAME_LIST_SLOTS];
} EngineNameList;

/* Version record handed to UzpVersion2. */
typedef struct UnzipVersionRecord {
    int32_t Length;        /*  0: 64 */
    int32_t Flags;         /*  4 */
    char FirstText[10];    /*  8: returned as the extra information */
    char SecondText[20];   /* 18 */
    char ThirdText[10];    /* 38 */
    uint8_t Version1[4];   /* 48 */
    uint8_t Version2[4];   /* 52 */
    uint8_t Version3[4];   /* 56 */
    uint8_t Version4[4];   /* 60: major, minor, patch, spare */
} UnzipVersionRecord;

typedef int32_t (*Wiz_SingleEntryUnzipProc)(int32_t includeCount, char **includeNames,
                                            int32_t excludeCount, char **excludeNames,
                                            UnzipCommandRecord *command,
                                            UnzipCallbackTable *callbacks);
typedef int32_t (*UzpVersion2Proc)(UnzipVersionRecord *version);

/* ---- Zip engine (libpakwriter.so) -------------------------------------- */

/* Options record handed to ZpSetOptions. */
typedef struct ZipOptionsRecord {
    char *Text0;                  /*   0: never set */
    char *RootFolder;             /*   4 */
    char *Text8;                  /*   8: never set */
    int32_t Reserved12;           /*  12 */
    int32_t Reserved16;           /*  16 */
    int32_t Encrypt;              /*  20 */
    int32_t SystemAndHiddenFiles; /*  24 */
    int32_t VolumeLabel;          /*  28 */
    int32_t Reserved32;           /*  32 */
    int32_t NoFolderEntries;      /*  36 */
    int32_t Reserved40;           /*  40 */
    int32_t Reserved44;           /*  44 */
    int32_t MessageLevel0;        /*  48 */
    int32_t MessageLevel1;        /*  52 */
    int32_t ConvertCRLFToLF;      /*  56 */
    int32_t ConvertLFToCRLF;      /*  60 */
    int32_t DropFolderNames;      /*  64 */
    int32_t Append;               /*  68 */
    int32_t Reserved72;           /*  72 */
    int32_t Reserved76;           /*  76 */
    int32_t DeleteEntries;        /*  80 */
    int32_t UpdateOnlyIfNewer;    /*  84 */
    int32_t Freshen;              /*  88 */
    int32_t Reserved92;           /*  92 */
    int32_t Reserved96;           /*  96 */
    int32_t Reserved100;          /* 100 */
    int32_t Reserved104;          /* 104 */
    int32_t Reserved108;          /* 108 */
    int32_t Reserved112;          /* 112 */
    int32_t Recurse;              /* 116: 2 = recurse into sub-folders */
    int32_t Reserved120;          /* 120 */
    int32_t Reserved124;          /* 124 */
} ZipOptionsRecord;

typedef int32_t (*ZipPrintRoutine)(char *buffer, uint32_t count);
typedef int32_t (*ZipPasswordRoutine)(char *buffer, int32_t size, char *prompt, char *entryName);
typedef char *(*ZipCommentRoutine)(char *buffer);
typedef int32_t (*ZipServiceRoutine)(char *name, uint32_t count);

/* Call-back table handed to ZpInit. */
typedef struct ZipCallbackTable {
    ZipPrintRoutine Print;
    ZipPasswordRoutine Password;
    ZipCommentRoutine Comment;
    ZipServiceRoutine Service;
} ZipCallbackTable;

typedef int32_t (*ZpInitProc)(ZipCallbackTable *callbacks);
typedef int32_t (*ZpSetOptionsProc)(ZipOptionsRecord *options);
typedef int32_t (*ZpGetOptionsProc)(ZipOptionsRecord *options);
typedef int32_t (*ZpArchiveProc)(int32_t specCount, char *archivePath, char **names);

/* ---- Progress in bytes ------------------------------------------------- */

/*
 * UzpByteProgress (libpakreader.so) and ZpByteProgress (libpakwriter.so) may
 * be called from any thread while Wiz_SingleEntryUnzip extracts or tests, or
 * ZpArchive packs, on another: they give how far the running call has come in
 * bytes of entry data, uncompressed (entries carried over unchanged into an
 * updated archive included), out of the total the call will handle. The total
 * is 0 until the engine knows it; done never passes it. Both start again from
 * 0 at the start of every call and keep their last values after it. Listing
 * counts nothing. Called with both pointers null, they set both counts back to 0:
 * a caller that reads them on another thread does so before it starts a call, so
 * that nothing it reads comes from the call before.
 */
typedef void (*UzpByteProgressProc)(uint64_t *done, uint64_t *total);
typedef void (*ZpByteProgressProc)(uint64_t *done, uint64_t *total);

/* ---- Layout checks ----------------------------------------------------- */

#ifdef __cplusplus
#define ENGINE_RECORDS_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define ENGINE_RECORDS_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
/* 32-bit: the published layout, byte for byte. */
ENGINE_RECORDS_ASSERT(sizeof(UnzipCommandRecord) == 68, "command record size");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, MessageLevel) == 12, "message level");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, TestArchive) == 20, "test archive");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, ListOnly) == 24, "list only");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, UseFolderNames) == 36, "use folder names");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, OverwriteExisting) == 40, "overwrite");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, CaseSensitive) == 52, "case sensitivity");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, ArchivePath) == 60, "archive path");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, TargetFolder) == 64, "target folder");
ENGINE_RECORDS_ASSERT(sizeof(UnzipCallbackTable) == 44, "unzip call-back table size");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCallbackTable, Service) == 20, "service slot");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCallbackTable, Reserved) == 24, "reserved words");
ENGINE_RECORDS_ASSERT(sizeof(EngineNameList) == 4096, "name list size");
ENGINE_RECORDS_ASSERT(sizeof(ZipOptionsRecord) == 128, "options record size");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, RootFolder) == 4, "root folder");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Encrypt) == 20, "encrypt");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, NoFolderEntries) == 36, "no folder entries");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, MessageLevel0) == 48, "message flag 0");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, DropFolderNames) == 64, "drop folder names");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Append) == 68, "append");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, DeleteEntries) == 80, "delete entries");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, UpdateOnlyIfNewer) == 84, "only if newer");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Freshen) == 88, "freshen");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Recurse) == 116, "recurse");
ENGINE_RECORDS_ASSERT(sizeof(ZipCallbackTable) == 16, "zip call-back table size");
#else
/* 64-bit: the same order with natural alignment. */
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, ArchivePath) == 64, "archive path");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCommandRecord, TargetFolder) == 72, "target folder");
ENGINE_RECORDS_ASSERT(sizeof(UnzipCommandRecord) == 80, "command record size");
ENGINE_RECORDS_ASSERT(offsetof(UnzipCallbackTable, Reserved) == 48, "reserved words");
ENGINE_RECORDS_ASSERT(sizeof(UnzipCallbackTable) == 72, "unzip call-back table size");
ENGINE_RECORDS_ASSERT(sizeof(EngineNameList) == 8192, "name list size");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Reserved12) == 24, "first integer field");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, DeleteEntries) == 92, "delete entries");
ENGINE_RECORDS_ASSERT(offsetof(ZipOptionsRecord, Recurse) == 128, "recurse");
ENGINE_RECORDS_ASSERT(sizeof(ZipOptionsRecord) == 144, "options record size");
ENGINE_RECORDS_ASSERT(sizeof(ZipCallbackTable) == 32, "zip call-back table size");
#endif
/* The version record holds no pointer: the same on every build. */
ENGINE_RECORDS_ASSERT(sizeof(UnzipVersionRecord) == 64, "version record size");
ENGINE_RECORDS_ASSERT(offsetof(UnzipVersionRecord, FirstText) == 8, "first text");
ENGINE_RECORDS_ASSERT(offsetof(UnzipVersionRecord, SecondText) == 18, "second text");
ENGINE_RECORDS_ASSERT(offsetof(UnzipVersionRecord, ThirdText) == 38, "third text");
ENGINE_RECORDS_ASSERT(offsetof(UnzipVersionRecord, Version1) == 48, "version group 1");
ENGINE_RECORDS_ASSERT(offsetof(UnzipVersionRecord, Version4) == 60, "version group 4");

/* ---- Results ----------------------------------------------------------- */

/*
 * Result codes of Wiz_SingleEntryUnzip and ZpArchive. 0 means the engine
 * finished without complaint; every other value is a warning or a failure,
 * and the engine has also printed a message saying what happened through the
 * print call-back.
 */
enum EngineResult {
    ENGINE_OK = 0,              /* finished without complaint */
    ENGINE_WARNING = 1,         /* finished, but one or more entries or files were skipped
                                   (unsafe path, symbolic link, an existing symbolic link in
                                   the way, unreadable file). Entries skipped because the
                                   overwrite call-back answered "no", or because the file on
                                   disk is not older (ExtractOnlyNewer), are the caller's
                                   choice and no complaint. */
    ENGINE_BAD_ARCHIVE = 2,     /* the archive is damaged or not a zip archive */
    ENGINE_NO_MEMORY = 5,       /* out of memory */
    ENGINE_BAD_ARGUMENTS = 10,  /* a record, list or path handed in is missing or invalid */
    ENGINE_NOTHING_MATCHED = 11,/* no entry matched the include list / no file matched the
                                   specifications */
    ENGINE_NO_ARCHIVE = 9,      /* the archive does not exist or cannot be opened */
    ENGINE_READ_ERROR = 18,     /* a file to be packed could not be read */
    ENGINE_WRITE_ERROR = 50,    /* writing failed (disk full, no permission, read-only folder);
                                   a packed archive is then left exactly as it was */
    ENGINE_CRC_ERROR = 51,      /* an entry's data failed its CRC-32 check */
    ENGINE_CANCELLED = 80,      /* the service call-back asked the engine to stop; a packed
                                   archive is then left exactly as it was */
    ENGINE_UNSUPPORTED = 81,    /* an entry uses a compression method or an encryption the
                                   engine cannot read; it was skipped */
    ENGINE_BAD_PASSWORD = 82,   /* an encrypted entry was skipped: no password or a wrong one;
                                   packing with encryption: no password was given, nothing written */
};

/*
 * Answers of the unzip overwrite call-back, asked when PromptToOverwrite is
 * on and a file to be written already exists. Any other answer counts as
 * ENGINE_OVERWRITE_NO, so that nothing is replaced without a clear "yes".
 */
enum EngineOverwriteAnswer {
    ENGINE_OVERWRITE_NO = 100,   /* keep the existing file, skip this entry (the default answer) */
    ENGINE_OVERWRITE_YES = 101,  /* replace this file */
    ENGINE_OVERWRITE_ALL = 102,  /* replace this and every later file without asking again */
    ENGINE_OVERWRITE_NONE = 103, /* keep this and every later existing file without asking again */
};

/*
 * The unzip engine's other call-back conventions:
 * - service (name, count): called once per selected entry before it is worked
 *   on, with the entry's path ("/" separators) and count = the name's length
 *   plus its final zero; answering 1 stops the engine (ENGINE_CANCELLED),
 *   anything else goes on.
 * - password (buffer, size, prompt, entry name): the buffer arrives zero-filled;
 *   answering 0 means a password was written there, anything else means none
 *   is given (the entry is skipped with ENGINE_BAD_PASSWORD). A password that
 *   opens an entry is tried first for later entries; a wrong one is asked for
 *   again, at most three times per entry.
 * - print (buffer, count): one message line, count bytes without a final zero.
 *
 * The print call-back of both engines carries the chatter of the work going on
 * ("  inflating: a.png", "adding: a.png (deflated 40%)") and the complaints
 * behind a non-zero result, which begin with "error:", "zip error:",
 * "warning:", "zip warning:", "caution:", "skipping:" (after leading blanks)
 * or "incorrect password". A file or entry that a call left out while it went
 * on with the others is named in one of these forms, its name exactly as the
 * engine knows it:
 *   "zip warning: skipping <name> (<why>)"       a file not packed
 *   "zip warning: name not matched: <name>"      a specification that matched nothing
 *   "   skipping: <name>  (<why>)"               an entry not unpacked
 *   "caution: filename not matched:  <name>"     an include name that matched nothing
 */

/* A few words on a result code, in English; the text for an unknown code says so. */
static inline const char *EngineResultText(int32_t result)
{
    switch (result) {
    case ENGINE_OK: return "finished without complaint";
    case ENGINE_WARNING: return "finished, but some entries or files were skipped";
    case ENGINE_BAD_ARCHIVE: return "the archive is damaged or not a zip archive";
    case ENGINE_NO_MEMORY: return "out of memory";
    case ENGINE_NO_ARCHIVE: return "the archive does not exist or cannot be opened";
    case ENGINE_BAD_ARGUMENTS: return "invalid arguments";
    case ENGINE_NOTHING_MATCHED: return "nothing matched";
    case ENGINE_READ_ERROR: return "a file could not be read";
    case ENGINE_WRITE_ERROR: return "writing failed";
    case ENGINE_CRC_ERROR: return "an entry failed its CRC-32 check";
    case ENGINE_CANCELLED: return "cancelled";
    case ENGINE_UNSUPPORTED: return "an entry uses a method the engine cannot read";
    case ENGINE_BAD_PASSWORD: return "no password or a wrong one";
    default: return "unknown result";
    }
}

#ifdef __cplusplus
}
#endif

#endif
