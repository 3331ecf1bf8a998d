#pragma once
// The text of the UserError an action throws; empty when it throws none.
#include <QString>
#include <functional>

#include "base/errors.h"

namespace cot::testing {

inline QString userErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace cot::testing
