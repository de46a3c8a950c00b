// The programs' logging categories, one per subsystem, silent unless switched on
// with QT_LOGGING_RULES (for example QT_LOGGING_RULES='keplo.*=true' keplo, or
// 'keplo.engine=true' for the engine's own messages alone):
//
//   keplo.engine   every message the engine libraries print
//   keplo.archive  every archive job: its start, end, outcome and duration
//   keplo.store    failed writes of the settings store
//   keplo.wine     every Wine prefix and game folder looked at, and what was skipped
//   keplo.editor   Keplo's window: the archive chosen, what Save and Cancel did
//   pelterbox      Pelterbox's window: what Install, Compress and Extract did
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcArchive)
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcWine)
Q_DECLARE_LOGGING_CATEGORY(lcEditor)
Q_DECLARE_LOGGING_CATEGORY(lcPelterbox)

// Connects the log of the parts without Qt (platform/os/Log.h) to the categories
// above. Call it once, at start-up.
void ConnectLogSink();
