// A client sending texts longer than their columns: every write path refuses them, names
// the column, and writes nothing (no row, no history); a text exactly as long as the
// column is kept whole. Sizes are the schema's own.
#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>
#include <functional>

#include "data/table_catalogue.h"
#include "support/database_dump.h"
#include "support/packet_cells.h"
#include "server/server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

constexpr int kMemo = catalogue::kMemoCharacters;

class LongTextsTest : public cot::testing::DemoServerTest {
protected:
    QVariant scalar(const QString& sql) { return server_.db().scalar(sql); }
    // A change log of one row of proposal 1's version 01: its key and one text column.
    static Delta oneChange(ChangeOp op, const char* column, FieldType type, const QVariant& before, const QVariant& after) {
        Delta d;
        d.fields = {{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                    {QString::fromLatin1(column), type, 0}};
        const QVariantList oldRow{nr(1), "01", before}, newRow{nr(1), "01", after};
        d.changes = {{op, op == ChangeOp::Insert ? QVariantList() : oldRow, op == ChangeOp::Delete ? QVariantList() : newRow}};
        return d;
    }
    // The refusal's text, or the method's own answer when it answers with one ("" when done).
    static QString outcome(const RpcResult& r) { return r.ok ? r.value.toString() : r.error; }
    // Every row, but the history's note that InsTextoProp ran: the dispatcher notes the run
    // of a writing method that answers, and that method answers its refusals.
    QString rows() {
        static const QRegularExpression run(QStringLiteral("\\n[^\\n]*\\|InsTextoProp\\|\\|\\|M\\|[^\\n]*"));
        return wholeDatabase(server_.db()).remove(run);
    }
};

struct WritePath {
    const char* name;
    const char* column;
    int size;
    std::function<QString(const QString& text)> write;  // refusal, "" when written
    QString stored;                                      // the value as kept
};

// A multi-megabyte observation too, written or kept as a deleted row's old value by the history.
TEST_P(LongTextsTest, EveryWritePathRefusesOneCharacterMoreAndKeepsExactlyTheColumn) {
    const QString kHeaderObs = "SELECT DSOBSPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = '" + nr(1) + "'";
    const QString kObservation = "SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = '" + nr(1) + "'";
    const auto delta = [&](const char* method, const char* column, FieldType type, const QString& stored, const QVariantList& more) {
        return [=, this](const QString& text) {
            const Delta d = oneChange(ChangeOp::Update, column, type, scalar(stored), text);
            return outcome(call(method, QVariantList{QVariant::fromValue(d)} + more));
        };
    };
    const auto argument = [&](const char* method, const QVariantList& before, const QVariantList& after = {}) {
        return [=, this](const QString& text) { return outcome(call(method, before + QVariantList{text} + after)); };
    };
    const WritePath paths[] = {
        {"delta field", "DSOBSPROPFAS", 250, delta("SetProposta", "DSOBSPROPFAS", FieldType::String, kHeaderObs, {}), kHeaderObs},
        {"observation", "TXOBSPROPFAS", kMemo, delta("SetObs", "TXOBSPROPFAS", FieldType::Memo, kObservation, {"0"}), kObservation},
        {"text argument", "TXPROPFAS", kMemo, argument("InsTextoProp", {nr(2), "01", "GARANTIA"}),
         "SELECT TXPROPFAS FROM TXTPROPFAS WHERE NRPROPOSFAS = '" + nr(2) + "' AND CDTXTPROPFAS = 'GARANTIA'"},
        {"lost reason", "TXMOTIVO", 500, argument("MarcarPerdida", {nr(7), "01", "P"}),
         "SELECT TXMOTIVO FROM PERDAPROP WHERE NRPROPOSFAS = '" + nr(7) + "'"},
        {"registration", "NMFANTCLIE", 50,
         argument("InsereCliente", {"77888999000127", "77.888.999/0001-27", "Delta Engenharia", "Sala 12"},
                  {"J", "J77.888.999/0001-27", "VENDEDOR"}),
         "SELECT NMFANTCLIE FROM CLIENTE WHERE CDCLIENTE = '77888999000127'"},
    };
    for (const WritePath& p : paths) {
        SCOPED_TRACE(p.name);
        const QString before = rows();
        EXPECT_EQ(p.write(QString(p.size + 1, u'x')),
                  QStringLiteral("O campo %1 aceita no máximo %2 caracteres.")
                      .arg(QLatin1String(p.column), QLocale(QLocale::Portuguese, QLocale::Brazil).toString(p.size)));
        ASSERT_EQ(firstDifference(before, rows()), "") << "a refused text was written";

        // Exactly the column, counted as the engines count: the last character is outside
        // 16 bits (two code units in the text, one character in the column).
        const QString exact = QString(p.size - 1, u'y') + QString::fromUtf8("😀");
        EXPECT_EQ(p.write(exact), "");
        EXPECT_EQ(scalar(p.stored).toString(), exact);
    }

    const QVariant stored = scalar(kObservation);
    const QString huge(3'500'000, u'z');
    const QString before = wholeDatabase(server_.db());
    for (const auto& [op, old, now, flag] : {std::tuple{ChangeOp::Update, stored, QVariant(huge), "0"},
                                             {ChangeOp::Delete, QVariant(huge), QVariant(), "1"}})
        EXPECT_EQ(call("SetObs", {QVariant::fromValue(oneChange(op, "TXOBSPROPFAS", FieldType::Memo, old, now)), flag}).error,
                  "O campo TXOBSPROPFAS aceita no máximo 1.000.000 caracteres.");
    EXPECT_EQ(firstDifference(before, wholeDatabase(server_.db())), "");
}

COT_ON_EVERY_BACKEND(LongTextsTest);

}  // namespace
