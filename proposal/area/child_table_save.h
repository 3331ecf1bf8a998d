#pragma once
#include <QString>
#include <QVariantList>
#include <functional>

namespace cot {

class ClientTable;
struct Delta;
class NetConnection;

// The one way a child table of the proposal reaches the server: after a post or a delete
// its change log goes, as one delta, with the table's set method (SetObs, SetLinProd...).
//
// Only when the table has changes: busy animation, call, result check, merge. When the
// server refuses, its message is shown, the change log stays pending for the next try and
// the calling operation ends (Abort). Nothing is swallowed and nothing is retried here: the
// screen keeps Confirmar enabled while a change log is pending, and a second Confirmar
// sends it again.
class ChildTableSave {
public:
    // Arguments of the set method for a delta; by default the delta alone.
    using Arguments = std::function<QVariantList(const Delta&)>;

    ChildTableSave(NetConnection& net, ClientTable& table, QString method, Arguments arguments = {});

    // Sends the change log after every post and delete of the table.
    void attach();
    // Sends the pending change log now (no-op without changes).
    void send();
    bool pending() const;

    ClientTable& table() const { return table_; }
    // Runs after every change log the server took (whoever sent it: the post, Confirmar
    // resending a refused one, a reload sending what is pending).
    std::function<void()> afterSend;
    // Runs after afterSend, for the screen the save is registered with.
    std::function<void()> taken;
    const QString& method() const { return method_; }

private:
    NetConnection& net_;
    ClientTable& table_;
    QString method_;
    Arguments arguments_;
};

}  // namespace cot
