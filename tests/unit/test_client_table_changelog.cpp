// Change log of client tables: what reaches the server, and undoing it.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "base/errors.h"

using namespace cot;

namespace {

Packet items() {
    Packet p;
    p.fields = {{"CODIGO", FieldType::String, 10}, {"NOME", FieldType::String, 30}, {"VALOR", FieldType::Float, 0}};
    p.rows = {{"1", "Fiscal", 1500.0}, {"2", "Folha", 300.5}, {"3", "Contábil", QVariant()}};
    return p;
}

QStringList codesOf(ClientTable& t) {
    QStringList out;
    const Bookmark b = t.bookmark();
    for (t.first(); !t.eof(); t.next()) out << t["CODIGO"].asString();
    if (t.bookmarkValid(b)) t.gotoBookmark(b);
    return out;
}

void setName(ClientTable& t, const QString& code, const QString& name) {
    ASSERT_TRUE(t.locate("CODIGO", code));
    t.edit();
    t["NOME"].setValue(name);
    t.post();
}

void append(ClientTable& t, const QString& code) {
    t.append();
    t["CODIGO"].setValue(code);
    t.post();
}

// The delta as "op old > new", values joined by '|', nulls as "<null>".
QStringList changesOf(const ClientTable& t) {
    const auto row = [](const QVariantList& values) {
        QStringList out;
        for (const QVariant& v : values) out << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        return out.join('|');
    };
    QStringList out;
    for (const RowChange& c : t.delta().changes) {
        const char* op = c.op == ChangeOp::Insert ? "insert" : c.op == ChangeOp::Update ? "update" : "delete";
        out << QStringLiteral("%1 %2 > %3").arg(op, row(c.oldValues), row(c.newValues));
    }
    return out;
}

}  // namespace

TEST(ClientTableChangeLog, EditsOfOneRowCoalesceIntoOneUpdateWithTheOriginalValues) {
    ClientTable t;
    t.setData(items());
    setName(t, "2", "Folha A");
    setName(t, "2", "Folha B");
    EXPECT_EQ(t.changeCount(), 1);
    EXPECT_EQ(t["NOME"].oldValue().toString(), "Folha");
    EXPECT_EQ(t.updateStatus(), ClientTable::UpdateStatus::Modified);
    EXPECT_EQ(changesOf(t), QStringList{"update 2|Folha|300.5 > 2|Folha B|300.5"});
    EXPECT_EQ(t.delta().fields, items().fields);
}

TEST(ClientTableChangeLog, DeltaCarriesEachKindOfChangeInTheOrderMade) {
    ClientTable t;
    t.setData(items());
    t.locate("CODIGO", "1");
    t.deleteRecord();
    append(t, "9");
    setName(t, "9", "Novo editado");  // still one insert
    setName(t, "3", "Contábil 2");
    setName(t, "2", "Folha X");
    t.deleteRecord();  // edit then delete: one delete with what the server knows
    EXPECT_EQ(t.changeCount(), 4);
    EXPECT_EQ(changesOf(t), (QStringList{"delete 1|Fiscal|1500 > ", "insert  > 9|Novo editado|<null>",
                                         "update 3|Contábil|<null> > 3|Contábil 2|<null>", "delete 2|Folha|300.5 > "}));

    // An inserted row deleted again leaves nothing.
    append(t, "8");
    EXPECT_TRUE(t["CODIGO"].oldValue().isNull());
    EXPECT_EQ(t.updateStatus(), ClientTable::UpdateStatus::Inserted);
    t.deleteRecord();
    EXPECT_EQ(t.changeCount(), 4);
}

TEST(ClientTableChangeLog, MergeMakesCurrentValuesTheOldOnes) {
    ClientTable t;
    t.setData(items());
    setName(t, "1", "Fiscal 2");
    append(t, "4");
    t.mergeChangeLog();
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_TRUE(t.delta().isEmpty());
    EXPECT_EQ(t["CODIGO"].oldValue().toString(), "4");

    // After a merge, a new edit logs against the merged values.
    setName(t, "1", "Fiscal 3");
    EXPECT_EQ(changesOf(t), QStringList{"update 1|Fiscal 2|1500 > 1|Fiscal 3|1500"});
    t.cancelUpdates();
    EXPECT_EQ(t["NOME"].asString(), "Fiscal 2");
    EXPECT_EQ(codesOf(t), (QStringList{"1", "2", "3", "4"}));
}

TEST(ClientTableChangeLog, CancelUpdatesRestoresRowsInPlaceAndDropsInsertedOnes) {
    ClientTable t;
    t.setData(items());
    t.locate("CODIGO", "2");
    t.deleteRecord();
    t.first();
    t.insert();
    t["CODIGO"].setValue("0");
    t.post();
    setName(t, "3", "Outro");
    t.last();
    t.deleteRecord();
    t.first();
    t.deleteRecord();  // the inserted row
    append(t, "5");
    t.edit();
    t["NOME"].setValue("pendente");  // a pending edit is cancelled as well

    t.cancelUpdates();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(codesOf(t), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(t.changeCount(), 0);
    t.locate("CODIGO", "3");
    EXPECT_EQ(t["NOME"].asString(), "Contábil");
    EXPECT_EQ(t["NOME"].oldValue().toString(), "Contábil");
}

TEST(ClientTableChangeLog, WithoutLoggingChangesAreFinalAtOnce) {
    ClientTable t;
    t.setData(items());
    t.setLogChanges(false);
    setName(t, "1", "Sem log");
    append(t, "7");
    t.locate("CODIGO", "2");
    t.deleteRecord();
    EXPECT_TRUE(t.delta().isEmpty());
    t.cancelUpdates();
    EXPECT_EQ(codesOf(t), (QStringList{"1", "3", "7"}));
    t.locate("CODIGO", "1");
    EXPECT_EQ(t["NOME"].oldValue().toString(), "Sem log");

    // A row logged as inserted and then edited without logging is final too.
    t.setLogChanges(true);
    append(t, "8");
    t.setLogChanges(false);
    setName(t, "8", "x");
    EXPECT_EQ(t.changeCount(), 0);
    t.cancelUpdates();
    EXPECT_TRUE(t.locate("CODIGO", "8"));
}

TEST(ClientTableChangeLog, DataCopiesAndDeclaredFieldsAreMatchedByName) {
    ClientTable a;
    a.setData(items());
    setName(a, "1", "Editado");
    ClientTable b;
    b.setData(a.data());
    EXPECT_EQ(b.data().fields, a.data().fields);
    EXPECT_EQ(b.data().rows, a.data().rows);
    EXPECT_EQ(b.changeCount(), 0);  // a copy starts clean
    EXPECT_EQ(b.recNo(), 1);

    // Declared fields in another order and type; extra columns become hidden fields.
    ClientTable c;
    c.addField("valor", FieldType::Float);
    c.addField("CODIGO", FieldType::Integer);
    Packet p = items();
    p.rows[0][2] = QString("12.5");
    c.setData(p);
    ASSERT_EQ(c.fieldCount(), 3);
    EXPECT_EQ(c.field(0).fieldName(), "valor");
    EXPECT_EQ(c["CODIGO"].value(), QVariant(qint64(1)));
    EXPECT_DOUBLE_EQ(c["VALOR"].asFloat(), 12.5);
    EXPECT_FALSE(c["NOME"].visible);
    EXPECT_EQ(c["NOME"].asString(), "Fiscal");
    EXPECT_EQ(c.data().fields.size(), 3);

    // A declared column missing from the packet is refused before anything changes.
    ClientTable e;
    e.addField("CODIGO", FieldType::String, 10);
    e.addField("DTPROPOSFAS", FieldType::DateTime);
    try {
        e.setData(items());
        FAIL() << "missing column accepted";
    } catch (const UserError& err) {
        EXPECT_TRUE(err.text().contains("DTPROPOSFAS")) << err.text().toStdString();
    }
    EXPECT_FALSE(e.active());

    // A table without declared fields takes the shape of each packet it receives.
    Packet other;
    other.fields = {{"X", FieldType::Integer, 0}};
    other.rows = {{qint64(5)}};
    b.setData(other);
    EXPECT_EQ(b.fieldCount(), 1);
    EXPECT_EQ(b["X"].asInteger(), 5);
}

TEST(ClientTableChangeLog, EmptyAndCreateDataSetLeaveNoLog) {
    ClientTable t;
    t.setData(items());
    setName(t, "1", "x");
    t.emptyDataSet();
    EXPECT_EQ(t.recordCount() + t.changeCount(), 0);
    append(t, "1");
    EXPECT_EQ(t.changeCount(), 1);
    t.close();
    EXPECT_FALSE(t.active());
    EXPECT_EQ(t.recordCount(), 0);
    t.createDataSet();
    EXPECT_TRUE(t.active());
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_EQ(t.fieldCount(), 3);
}
