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

// The desktop's remote calls read their answers on a worker thread (rpc/call_wait.h), and
// the UI thread keeps and later frees what was read: for a list, millions of small blocks.
// glibc gives each new thread an arena (a heap) of its own, so those blocks would come from
// the worker's arena: every free on the UI thread then goes back across to it, slower, and
// into memory the UI thread's own allocations never reuse, so the next list faults in fresh
// pages again. One arena for the process keeps them all in the heap the UI thread uses;
// the UI thread waits while the worker reads, so they seldom contend for it.
// Call first thing in main(), before any thread exists (no effect outside glibc).
void useOneHeapArena();

}  // namespace cot
