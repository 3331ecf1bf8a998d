#include "dialogs.h"

#include <stdexcept>

namespace cot {

namespace {
Dialogs* g_dialogs = nullptr;
}

Dialogs& Dialogs::current() {
    if (!g_dialogs) throw std::logic_error("no dialogs service installed");
    return *g_dialogs;
}

void Dialogs::setCurrent(Dialogs* dialogs) { g_dialogs = dialogs; }

bool Dialogs::installed() { return g_dialogs != nullptr; }

}  // namespace cot
