#include "platform/os/FreedMemory.h"

// Any header of the C library tells which one it is.
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
