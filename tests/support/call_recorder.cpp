#include "support/call_recorder.h"

#include "rpc/net_connection.h"

namespace cot::testing {

void CallRecorder::attach(NetConnection& net) {
    detach();
    calls_.clear();
    auto link = std::make_shared<Link>(Link{this});
    link_ = link;
    net_ = &net;
    net.setCallObserver([link](const QString& method, const QVariantList& args) {
        if (link->recorder) link->recorder->record(method, args);
    });
}

void CallRecorder::detach() {
    if (const std::shared_ptr<Link> link = link_.lock()) {
        link->recorder = nullptr;
        net_->setCallObserver(nullptr);
    }
    link_.reset();
    net_ = nullptr;
}

void CallRecorder::record(const QString& method, const QVariantList& args) {
    calls_.append({method, args});
    if (hook_) hook_(method, args);
}

QStringList CallRecorder::methods() const {
    QStringList out;
    for (const RecordedCall& c : calls_) out << c.method;
    return out;
}

int CallRecorder::count(const QString& method) const {
    int n = 0;
    for (const RecordedCall& c : calls_) n += c.method == method;
    return n;
}

int CallRecorder::indexOf(const QString& method) const {
    for (int i = 0; i < calls_.size(); ++i)
        if (calls_[i].method == method) return i;
    return -1;
}

QVariantList CallRecorder::firstArgs(const QString& method) const {
    const int i = indexOf(method);
    return i < 0 ? QVariantList() : calls_[i].args;
}

QVariantList CallRecorder::lastArgs(const QString& method) const {
    for (qsizetype i = calls_.size() - 1; i >= 0; --i)
        if (calls_[i].method == method) return calls_[i].args;
    return {};
}

QVariantList CallRecorder::argOfEach(const QString& method, int index) const {
    QVariantList out;
    for (const RecordedCall& c : calls_)
        if (c.method == method) out << c.args.value(index);
    return out;
}

}  // namespace cot::testing
