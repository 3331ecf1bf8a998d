#pragma once

namespace cot {

// Without TZ, the C library looks at /etc/localtime again on every conversion of a local
// date or time (a file check each time: a list of 100k proposals makes hundreds of
// thousands). Naming that same file in TZ makes it read once, with the same zone. A change
// of the machine's zone is then seen at the next start. Call first thing in main(), before
// any thread exists; a TZ already set is left as it is.
void readLocalTimeZoneOnce();

}  // namespace cot
