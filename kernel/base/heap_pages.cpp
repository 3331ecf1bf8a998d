#include "heap_pages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#include <malloc.h>
#endif

namespace cot {

namespace {

constexpr const char* kTunable = "glibc.malloc.hugetlb";

// "[always] madvise never" or "always [madvise] never": pages on request are offered.
bool hugePagesOnRequest() {
    std::FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (!f) return false;
    char text[128] = {};
    const bool read = std::fgets(text, sizeof text, f) != nullptr;
    std::fclose(f);
    return read && (std::strstr(text, "[always]") || std::strstr(text, "[madvise]"));
}

bool glibcHasTheTunable() {
#if defined(__GLIBC__)
    int major = 0, minor = 0;
    return std::sscanf(gnu_get_libc_version(), "%d.%d", &major, &minor) == 2 && (major > 2 || minor >= 35);
#else
    return false;
#endif
}

}  // namespace

void restartWithHugeHeapPages(char** argv) {
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, kTunable)) return;
    if (!glibcHasTheTunable() || !hugePagesOnRequest()) return;
    std::string tunables = current && *current ? std::string(current) + ':' : std::string();
    tunables += kTunable;
    tunables += "=1";
    // The program's own path, not /proc/self/exe: the process keeps its name (ps, pkill).
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
    execv(path, argv);
    // Still here: the program goes on with the pages it has; the variable stays, so a
    // program this one starts does not try again.
}

void useOneHeapArena() {
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace cot
