#include "support/ProgramVersion.h"

ProgramVersion GetProgramVersion() {
    return {KEPLO_VERSION_MAJOR, KEPLO_VERSION_MINOR, KEPLO_VERSION_PATCH};
}

const char *ProgramVersionText() {
    return KEPLO_VERSION;
}
