// The project's version, set once in CMake, as the programs' captions show it.
#pragma once

struct ProgramVersion {
    int lMajor = 0;
    int lMinor = 0;
    int lRevision = 0;
};

// The version the programs were built as.
ProgramVersion GetProgramVersion();

// The version as text ("1.0.0"), for the application's own metadata.
const char *ProgramVersionText();
