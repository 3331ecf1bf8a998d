#include "base/local_time_zone.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace cot {

void readLocalTimeZoneOnce() {
    const char* set = std::getenv("TZ");
    if (set && *set) return;
    if (access("/etc/localtime", R_OK) != 0) return;  // the library's own default applies
    setenv("TZ", ":/etc/localtime", 1);
    tzset();
}

}  // namespace cot
