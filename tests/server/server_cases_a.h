#pragma once
// Small helpers of the method tests over the demo data: a suite run on every engine with
// the calls most of them make, and a row's cells as texts so that a whole row is checked in
// one assertion.
//
//   class MyTest : public cot::testing::DemoServerTest {};
//   COT_ON_EVERY_BACKEND(MyTest);
//   EXPECT_EQ(cells(packet("GetX", {nr(3), "02"}), 0, {"IDDECISAO", "IDMOTIVO"}), QStringList({"R", "P"}));
#include <QDateTime>
#include <QStringList>
#include <gtest/gtest.h>

#include "data/packet.h"
#include "support/test_server.h"

#define COT_ON_EVERY_BACKEND(Suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Db, Suite, ::testing::ValuesIn(cot::testing::availableBackends()), \
                             cot::testing::backendName)

namespace cot::testing {

// One cell as text: "<null>" for a null, dates and times as "dd/MM/yyyy HH:mm" (midnight
// as the date alone), numbers and texts as QVariant gives them.
inline QString cellText(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("<null>");
    if (v.typeId() != QMetaType::QDateTime) return v.toString();
    const QDateTime t = v.toDateTime();
    return t.toString(t.time() == QTime(0, 0) ? QStringLiteral("dd/MM/yyyy") : QStringLiteral("dd/MM/yyyy HH:mm"));
}

// The named cells of row `row`, in the order named.
inline QStringList cells(const Packet& p, int row, const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields) out << (row < p.rows.size() ? cellText(p.value(row, f)) : QStringLiteral("<no row>"));
    return out;
}

// Passes when the call went through; otherwise fails with the server's refusal.
inline ::testing::AssertionResult succeeded(const RpcResult& r) {
    return r.ok ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "refused: " << r.error.toStdString();
}

// A server over the demo data, on the engine the suite is instantiated with.
class DemoServerTest : public ::testing::TestWithParam<Backend> {
protected:
    explicit DemoServerTest(TestServerOptions options = {})
        : server_((options.backend = GetParam(), options.seed = true, std::move(options))) {}

    RpcResult call(const QString& method, const QVariantList& args = {}) { return server_.connection().call(method, args); }
    // The packet a call answers; a refusal fails the test.
    Packet packet(const QString& method, const QVariantList& args = {}) {
        const RpcResult r = call(method, args);
        EXPECT_TRUE(r.ok) << method.toStdString() << ": " << r.error.toStdString();
        return r.value.value<Packet>();
    }
    int count(const QString& sql, const QVariantMap& params = {}) { return server_.db().scalar(sql, params).toInt(); }

    TestServer server_;
};

// The pieces `text` lacks (or, `present`, the pieces it holds): many checked in one assertion
// whose failure names them.
inline QStringList missingFrom(const QString& text, const QStringList& pieces, bool present = false) {
    QStringList out;
    for (const QString& piece : pieces)
        if (text.contains(piece) == present) out << piece;
    return out;
}

// The packet's field names, in order.
inline QStringList names(const Packet& p) {
    QStringList out;
    for (const FieldDef& f : p.fields) out << f.name;
    return out;
}

}  // namespace cot::testing
