#include "proposal/area/child_table_save.h"

#include "data/client_table.h"
#include "rpc/net_connection.h"
#include "ui/busy_animation.h"

namespace cot {

ChildTableSave::ChildTableSave(NetConnection& net, ClientTable& table, QString method, Arguments arguments)
    : net_(net), table_(table), method_(std::move(method)), arguments_(std::move(arguments)) {}

void ChildTableSave::attach() {
    table_.afterPost = [this](ClientTable&) { send(); };
    table_.afterDelete = [this](ClientTable&) { send(); };
}

bool ChildTableSave::pending() const { return table_.active() && table_.changeCount() > 0; }

void ChildTableSave::send() {
    if (!pending()) return;
    const Delta delta = table_.delta();
    {
        BusyScope busy;
        // callChecked shows the server's message and ends the operation with Abort; the
        // change log is merged only after the server took it.
        net_.callChecked(method_, arguments_ ? arguments_(delta) : QVariantList{QVariant::fromValue(delta)});
    }
    table_.mergeChangeLog();
    if (afterSend) afterSend();
    if (taken) taken();
}

}  // namespace cot
