#pragma once

namespace cot {

// A list of 100k proposals is millions of small values, a few hundred megabytes of heap
// that a new process touches for the first time: with the machine's 4 KB pages that is
// one page fault per page, about half of the time the desktop takes to load such a list.
// glibc backs its heap with transparent huge pages (2 MB) when the tunable
// glibc.malloc.hugetlb=1 is in GLIBC_TUNABLES, which it reads only when the process
// starts; so this sets it and starts the program again in place (execv: same process,
// same name, same arguments). Nothing happens when the tunable is already named there, when the C
// library is not glibc 2.35 or later, or when the kernel does not offer transparent huge
// pages on request; if the new start fails, the program goes on as it is.
// Call first thing in main(), before any thread exists.
void restartWithHugeHeapPages(char** argv);

}  // namespace cot
