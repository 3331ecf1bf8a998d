#include "proposal/services/server_values.h"

#include <array>
#include <utility>

#include "data/client_table.h"

namespace cot {

void storeServerValues(ClientTable& table, const QList<QPair<QString, QVariant>>& values) {
    if (!table.active() || table.isEmpty()) return;
    if (table.isEditing()) {
        for (const auto& [name, value] : values) table[name].setValue(value);
        return;
    }
    // The edit below is no edit of the user's: its checks, its save and what they move on
    // the screen stay out of it.
    const std::array<ClientTable::Event*, 6> events{&table.beforeEdit, &table.afterEdit, &table.beforePost,
                                                     &table.afterPost, &table.beforeCancel, &table.afterCancel};
    std::array<ClientTable::Event, 6> held;
    for (size_t i = 0; i < events.size(); ++i) held[i] = std::exchange(*events[i], nullptr);
    const bool logged = table.logChanges();
    table.setLogChanges(false);
    const auto restore = [&] {
        table.setLogChanges(logged);
        for (size_t i = 0; i < events.size(); ++i) *events[i] = std::move(held[i]);
    };
    try {
        table.edit();
        for (const auto& [name, value] : values) table[name].setValue(value);
        table.post();
    } catch (...) {
        if (table.isEditing()) table.cancel();
        restore();
        throw;
    }
    restore();
}

}  // namespace cot
