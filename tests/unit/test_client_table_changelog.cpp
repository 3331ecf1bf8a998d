// Change log of client tables: what reaches the server, and undoing it.
#include "unit_cases.h"

namespace {

Packet items() {
    Packet p;
    p.fields = {{"CODIGO", FieldType::String, 10}, {"NOME", FieldType::String, 30}, {"VALOR", FieldType::Float, 0}};
    p.rows = {{"1", "Fiscal", 1500.0}, {"2", "Folha", 300.5}, {"3", "Contábil", QVariant()}};
    return p;
}

// Locates the row by its code (a new row when `code` is empty) and posts the given values.
void put(ClientTable& t, const QString& code, const QString& field, const QString& value) {
    if (code.isEmpty()) {
        t.append();
    } else {
        ASSERT_TRUE(t.locate("CODIGO", code));
        t.edit();
    }
    t[field].setValue(value);
    t.post();
}
void setName(ClientTable& t, const QString& code, const QString& name) { put(t, code, "NOME", name); }
void append(ClientTable& t, const QString& code) { put(t, {}, "CODIGO", code); }

QStringList changesOf(const ClientTable& t) { return cot::testing::changesOf(t.delta()); }

}  // namespace

// Edits of one row coalesce into one update with the original values; an inserted row
// stays one insert however often edited; edit then delete is one delete with what the
// server knows; an inserted row deleted again leaves nothing.
TEST(ClientTableChangeLog, DeltaCarriesEachKindOfChangeInTheOrderMade) {
    ClientTable t;
    t.setData(items());
    setName(t, "2", "Folha A");
    setName(t, "2", "Folha B");
    EXPECT_EQ(std::tuple(t.changeCount(), t["NOME"].oldValue().toString(), t.updateStatus()),
              std::tuple(1, QString("Folha"), ClientTable::UpdateStatus::Modified));
    EXPECT_EQ(changesOf(t), QStringList{"update 2|Folha|300.5 > 2|Folha B|300.5"});
    EXPECT_EQ(t.delta().fields, items().fields);

    t.locate("CODIGO", "1");
    t.deleteRecord();
    append(t, "9");
    setName(t, "9", "Novo editado");
    setName(t, "3", "Contábil 2");
    setName(t, "2", "Folha X");
    t.deleteRecord();
    EXPECT_EQ(t.changeCount(), 4);
    EXPECT_EQ(changesOf(t), (QStringList{"delete 1|Fiscal|1500 > ", "insert  > 9|Novo editado|<null>",
                                         "update 3|Contábil|<null> > 3|Contábil 2|<null>", "delete 2|Folha|300.5 > "}));
    append(t, "8");
    EXPECT_TRUE(t["CODIGO"].oldValue().isNull() && t.updateStatus() == ClientTable::UpdateStatus::Inserted);
    t.deleteRecord();
    EXPECT_EQ(t.changeCount(), 4);
}

TEST(ClientTableChangeLog, MergeAndCancelUpdatesAndChangesWithoutLogging) {
    ClientTable t;
    t.setData(items());
    setName(t, "1", "Fiscal 2");
    append(t, "4");
    t.mergeChangeLog();
    EXPECT_TRUE(t.changeCount() == 0 && t.delta().isEmpty());
    EXPECT_EQ(t["CODIGO"].oldValue().toString(), "4");

    // After a merge, a new edit logs against the merged values.
    setName(t, "1", "Fiscal 3");
    EXPECT_EQ(changesOf(t), QStringList{"update 1|Fiscal 2|1500 > 1|Fiscal 3|1500"});
    t.cancelUpdates();
    EXPECT_EQ(t["NOME"].asString(), "Fiscal 2");
    EXPECT_EQ(codesOf(t), (QStringList{"1", "2", "3", "4"}));

    // Cancelling updates restores rows in place and drops the inserted ones.
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
    EXPECT_TRUE(t.state() == DataSetState::Browse && t.changeCount() == 0);
    EXPECT_EQ(codesOf(t), (QStringList{"1", "2", "3"}));
    t.locate("CODIGO", "3");
    EXPECT_EQ(QStringList({t["NOME"].asString(), t["NOME"].oldValue().toString()}), QStringList({"Contábil", "Contábil"}));

    // Without logging, changes are final at once.
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
    EXPECT_TRUE(b.data().fields == a.data().fields && b.data().rows == a.data().rows);
    EXPECT_EQ(QList<int>({b.changeCount(), b.recNo()}), QList<int>({0, 1}));  // a copy starts clean

    // Declared fields in another order and type; extra columns become hidden fields.
    ClientTable c;
    c.addField("valor", FieldType::Float);
    c.addField("CODIGO", FieldType::Integer);
    Packet p = items();
    p.rows[0][2] = QString("12.5");
    c.setData(p);
    ASSERT_EQ(c.fieldCount(), 3);
    EXPECT_EQ((QVariantList{c.field(0).fieldName(), c["CODIGO"].value(), c["VALOR"].asFloat(), c["NOME"].visible,
                            c["NOME"].asString(), int(c.data().fields.size())}),
              (QVariantList{"valor", qint64(1), 12.5, false, "Fiscal", 3}));

    // A declared column missing from the packet is refused before anything changes.
    ClientTable e;
    e.addField("CODIGO", FieldType::String, 10);
    e.addField("DTPROPOSFAS", FieldType::DateTime);
    EXPECT_TRUE(userErrorOf([&] { e.setData(items()); }).contains("DTPROPOSFAS"));
    EXPECT_FALSE(e.active());

    // A table without declared fields takes the shape of each packet it receives.
    Packet other;
    other.fields = {{"X", FieldType::Integer, 0}};
    other.rows = {{qint64(5)}};
    b.setData(other);
    EXPECT_EQ(std::pair(b.fieldCount(), b["X"].asInteger()), std::pair(1, qint64(5)));

    // Emptying and closing leave no log; creating the data set again keeps the fields.
    b.setData(items());
    setName(b, "1", "x");
    b.emptyDataSet();
    EXPECT_EQ(b.recordCount() + b.changeCount(), 0);
    append(b, "1");
    EXPECT_EQ(b.changeCount(), 1);
    b.close();
    EXPECT_TRUE(!b.active() && b.recordCount() == 0);
    b.createDataSet();
    EXPECT_TRUE(b.active());
    EXPECT_EQ(QList<int>({b.changeCount(), b.fieldCount()}), QList<int>({0, 3}));
}
