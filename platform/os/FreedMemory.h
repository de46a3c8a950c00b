// Gives the memory a program has freed back to the operating system. The C library
// keeps freed memory for later allocations, and keeps it apart per thread that
// allocated it: after a big job done on a thread of its own (listing an archive of
// hundreds of thousands of entries) the freed memory would otherwise stay with the
// process, and the next such job, on a new thread, would add as much again.
#pragma once

// Returns every whole page of freed memory to the system; does nothing where the C
// library cannot.
void ReturnFreedMemory();
