// The process's local time zone.
#pragma once

// Pins the local time zone for the rest of the run: when TZ is not set, sets it to
// ":/etc/localtime", the zone the C library would use anyway. Without TZ, glibc
// looks at /etc/localtime again on every local-time conversion, and the archive
// library converts the time of every entry when it opens an archive, so listing an
// archive of 20,000 entries would cost 20,000 file-system calls. Call it at the
// start of main, before any thread exists. A zone set by the user is left alone.
void PinLocalTimeZone();
