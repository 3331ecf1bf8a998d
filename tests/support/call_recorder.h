#pragma once
// Records the calls a connection makes (method and arguments, in order) through its call
// observer, from attach() on; detaches in its destructor.
//
//   CallRecorder calls;                 // a fixture member
//   calls.attach(screen->net());        // starts empty
//   ... drive the screen ...
//   EXPECT_EQ(calls.count("SetServico"), 1);
//   EXPECT_EQ(calls.firstArgs("ValidaOrdem").value(1).toInt(), 7);
//   calls.setOnCall([&](const QString& m, const QVariantList&) { if (m == "X") throw ...; });
//
// The recorder notices when the connection goes away or another observer replaces its own,
// so it may outlive the connection it watched.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <memory>

namespace cot {
class NetConnection;
}

namespace cot::testing {

struct RecordedCall {
    QString method;
    QVariantList args;
};

class CallRecorder {
public:
    using Hook = std::function<void(const QString& method, const QVariantList& args)>;

    CallRecorder() = default;
    explicit CallRecorder(NetConnection& net) { attach(net); }
    ~CallRecorder() { detach(); }
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    // Forgets what was recorded and records every call of `net` from now on (replacing any
    // observer it had, a former recorder's included).
    void attach(NetConnection& net);
    // Stops recording; the connection is left without observer. Nothing when the connection
    // is gone or observed by someone else meanwhile. Not from inside a call's hook.
    void detach();
    bool attached() const { return !link_.expired(); }

    // Runs after each call is recorded, before it is sent; what it throws leaves the call
    // the way a failure of the call would. Empty: none.
    void setOnCall(Hook hook) { hook_ = std::move(hook); }

    void clear() { calls_.clear(); }
    bool isEmpty() const { return calls_.isEmpty(); }
    int size() const { return int(calls_.size()); }
    const QList<RecordedCall>& calls() const { return calls_; }
    // The i-th call; an empty one (no method) past the end.
    RecordedCall value(int i) const { return calls_.value(i); }
    QList<RecordedCall>::const_iterator begin() const { return calls_.cbegin(); }
    QList<RecordedCall>::const_iterator end() const { return calls_.cend(); }

    QStringList methods() const;
    int count(const QString& method) const;
    bool contains(const QString& method) const { return indexOf(method) >= 0; }
    // Position of the first call of `method`, or -1.
    int indexOf(const QString& method) const;
    // The arguments of the first / last call of `method`; empty when it was not called.
    QVariantList firstArgs(const QString& method) const;
    QVariantList lastArgs(const QString& method) const;
    // Argument `index` of every call of `method`, in order.
    QVariantList argOfEach(const QString& method, int index) const;

private:
    // Shared with the observer the connection holds: it dies with that observer, which tells
    // the recorder the connection no longer reports to it.
    struct Link {
        CallRecorder* recorder;
    };
    void record(const QString& method, const QVariantList& args);

    QList<RecordedCall> calls_;
    Hook hook_;
    NetConnection* net_ = nullptr;
    std::weak_ptr<Link> link_;
};

}  // namespace cot::testing
