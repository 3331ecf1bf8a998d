// Linked into every test under ThreadSanitizer (tests/CMakeLists.txt): QProcess starts a
// program with clone(CLONE_VM | CLONE_VFORK), its child running on the parent's memory and
// thread until it execs. The sanitizer's own clone() runs its fork bookkeeping around any
// clone, so with CLONE_VM the child undoes that bookkeeping a second time on the parent's
// state; afterwards the thread that started the program takes and releases its mutexes
// unseen, and every wait on them is reported as a race. Such a clone goes to the C
// library's clone directly here (nothing of the sanitizer runs in a child that only execs);
// any other goes on to the sanitizer's.
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

namespace {

using Clone = int (*)(int (*)(void*), void*, int, void*, ...);

Clone libcClone() {
    static const Clone found = [] {
        void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
        return libc ? reinterpret_cast<Clone>(dlsym(libc, "clone")) : nullptr;
    }();
    return found;
}

Clone sanitizerClone() {
    static const Clone found = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
    return found;
}

}  // namespace

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list more;
    va_start(more, arg);
    auto* parentTid = va_arg(more, pid_t*);
    void* tls = va_arg(more, void*);
    auto* childTid = va_arg(more, pid_t*);
    va_end(more);
    const Clone next = (flags & CLONE_VM) && libcClone() ? libcClone() : sanitizerClone();
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
