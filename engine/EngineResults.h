/*
 * Result codes of the archive engine libraries: the one place where they
 * are defined. Wiz_SingleEntryUnzip and ZpArchive return one of these.
 * 0 means the engine finished without complaint; every other value is a
 * warning or a failure, and the engine has also printed a message saying
 * what happened through the print call-back.
 */
#ifndef KEPLO_ENGINE_RESULTS_H
#define KEPLO_ENGINE_RESULTS_H

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
 */

#endif
