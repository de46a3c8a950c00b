// What the windows do around the kept versions of the game's archives: keeping an
// archive before writing it and putting a kept version back, each as a long job of the
// window in its busy state (a copy's progress in the window's bar), and the question
// asked when an archive cannot be kept before a write.
#pragma once

#include "support/kept/KeptVersions.h"

#include <QString>

class QProgressBar;
class QWidget;

// Keeps the archive before a write, in the window's busy state, the keeping
// (KeptWrite::Keep) on a thread of its own while the window stays live; pBar, when
// given, shows the progress of a copy. When the archive could not be kept, asks
// whether to write without keeping it (MayWriteWithoutKeeping). True when the write
// may go ahead.
bool KeepBeforeWriting(QWidget *pWindow, QProgressBar *pBar, KeptWrite &keeping,
                       const QString &sTitle, const QString &sWrite);

// Puts a kept version back (RestoreKept, each kept version checked through the
// engine) on a thread of its own while the window stays live. Call it in the busy state.
KeptOutcome RestoreAsLongJob(const KeptPlace &place, KeptKind eKind, const std::string &sProgram,
                             QProgressBar *pBar);

// Asks whether to write the archive although it could not be kept: Yes/No with No as
// the default, question icon, the reason on its own line and the archive's path last.
// sWrite says what the write is ("Save your changes"). True for Yes.
bool MayWriteWithoutKeeping(QWidget *pOwner, const QString &sTitle, const KeptWrite &keeping,
                            const QString &sWrite);
