// States, events and cursor of client tables: the order screens rely on and what a
// refused operation leaves behind.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>

#include "data/client_table.h"
#include "data/data_source.h"
#include "base/errors.h"

using namespace cot;

namespace {

Packet codes(std::initializer_list<const char*> values) {
    Packet p;
    p.fields = {{"CODIGO", FieldType::String, 10}, {"VALOR", FieldType::Float, 0}};
    double v = 1;
    for (const char* c : values) p.rows.append(QVariantList{QString(c), v++});
    return p;
}

QStringList codesOf(ClientTable& t) {
    QStringList out;
    for (t.first(); !t.eof(); t.next()) out << t["CODIGO"].asString();
    return out;
}

using EventOf = ClientTable::Event ClientTable::*;
void refuse(ClientTable& t, EventOf event) {
    t.*event = [](ClientTable&) { throw UserError("não"); };
}

}  // namespace

TEST(ClientTableEvents, OrderOfInsertPostEditCancelDelete) {
    ClientTable t("cdsTeste");
    t.setData(codes({"A", "B"}));
    // Every event, recorded as "Name" or "Name:CODIGO".
    QStringList log;
    const std::pair<EventOf, const char*> events[] = {
        {&ClientTable::beforeInsert, "BeforeInsert"}, {&ClientTable::afterInsert, "AfterInsert"},
        {&ClientTable::beforeEdit, "BeforeEdit"},     {&ClientTable::afterEdit, "AfterEdit"},
        {&ClientTable::beforePost, "BeforePost"},     {&ClientTable::afterPost, "AfterPost"},
        {&ClientTable::beforeCancel, "BeforeCancel"}, {&ClientTable::afterCancel, "AfterCancel"},
        {&ClientTable::beforeDelete, "BeforeDelete"}, {&ClientTable::afterDelete, "AfterDelete"},
        {&ClientTable::beforeScroll, "BeforeScroll"}, {&ClientTable::afterScroll, "AfterScroll"},
        {&ClientTable::onNewRecord, "NewRecord"}};
    for (const auto& [event, name] : events) {
        t.*event = [&log, name = QString(name)](ClientTable& ds) {
            const QString code = ds.active() ? ds["CODIGO"].asString() : QString();
            log << (code.isEmpty() ? name : name + ":" + code);
        };
    }
    const auto take = [&] { return std::exchange(log, {}); };

    t.append();
    EXPECT_EQ(take(), (QStringList{"BeforeInsert:A", "BeforeScroll:A", "NewRecord", "AfterInsert", "AfterScroll"}));
    t["CODIGO"].setValue("C");
    t.post();
    EXPECT_EQ(take(), (QStringList{"BeforePost:C", "AfterPost:C"}));
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.recNo(), 3);
    t.edit();
    EXPECT_EQ(take(), (QStringList{"BeforeEdit:C", "AfterEdit:C"}));
    t.cancel();
    EXPECT_EQ(take(), (QStringList{"BeforeCancel:C", "AfterCancel:C"}));
    t.first();
    t.deleteRecord();
    EXPECT_EQ(take(), (QStringList{"BeforeScroll:C", "AfterScroll:A", "BeforeDelete:A", "BeforeScroll:A",
                                   "AfterDelete:B", "AfterScroll:B"}));
}

// A handler that refuses leaves state, cursor, rows, log and the typed value as they were.
TEST(ClientTableEvents, ThrowingHandlerLeavesEverythingAsItWas) {
    const struct {
        const char* name;
        EventOf event;
        bool editing;
        std::function<void(ClientTable&)> act;
    } cases[] = {
        {"edit", &ClientTable::beforeEdit, false, [](ClientTable& t) { t.edit(); }},
        {"append", &ClientTable::beforeInsert, false, [](ClientTable& t) { t.append(); }},
        {"new record", &ClientTable::onNewRecord, false, [](ClientTable& t) { t.append(); }},
        {"post", &ClientTable::beforePost, true, [](ClientTable& t) { t.post(); }},
        {"delete", &ClientTable::beforeDelete, false, [](ClientTable& t) { t.deleteRecord(); }},
        {"scroll", &ClientTable::beforeScroll, false, [](ClientTable& t) { t.first(); }},
        {"cancel", &ClientTable::beforeCancel, true, [](ClientTable& t) { t.cancel(); }},
        // moving or inserting while editing posts first, and stays when the post fails
        {"last", &ClientTable::beforePost, true, [](ClientTable& t) { t.last(); }},
        {"locate", &ClientTable::beforePost, true, [](ClientTable& t) { t.locate("CODIGO", "C"); }},
        {"append while editing", &ClientTable::beforePost, true, [](ClientTable& t) { t.append(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClientTable t;
        t.setData(codes({"A", "B", "C"}));
        t.next();
        if (c.editing) {
            t.edit();
            t["CODIGO"].setValue("X");
        }
        const auto seen = [&] {
            return QVariantList{int(t.state()), t.isEditing(), t.recNo(), t.rowCount(), t.changeCount(),
                                t["CODIGO"].asString()};
        };
        const QVariantList before = seen();
        refuse(t, c.event);
        EXPECT_THROW(c.act(t), UserError);
        EXPECT_EQ(seen(), before);
    }

    // A refused post writes nothing to the log; the next one does.
    ClientTable t;
    t.setData(codes({"A"}));
    t.beforePost = [](ClientTable& ds) {
        if (ds["CODIGO"].asString() == "X") throw UserError("Código inválido");
    };
    t.edit();
    t["CODIGO"].setValue("X");
    EXPECT_THROW(t.post(), UserError);
    t["CODIGO"].setValue("Y");
    t.next();  // posts first
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t.changeCount(), 1);
}

TEST(ClientTableEvents, InsertCancelDeleteAndEmptyTables) {
    ClientTable t;
    t.setData(codes({}));
    EXPECT_TRUE(t.eof() && t.bof());
    EXPECT_THROW(t.deleteRecord(), UserError);

    t.edit();  // nothing to edit: a new row is started
    EXPECT_EQ(t.state(), DataSetState::Insert);
    EXPECT_TRUE(t.isEditing());
    t.cancel();
    EXPECT_FALSE(t.isEditing());
    EXPECT_EQ(t.recordCount() + t.changeCount(), 0);

    t.setData(codes({"A", "B", "C"}));
    t.next();
    t.insert();  // before the current row
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.currentRow(), 1);
    t["CODIGO"].setValue("N");
    t.post();
    EXPECT_EQ(codesOf(t), (QStringList{"A", "N", "B", "C"}));

    t.locate("CODIGO", "B");
    t.insert();
    t.cancel();  // the new row vanishes and the cursor stays where it was
    EXPECT_EQ(t["CODIGO"].asString(), "B");
    t.insert();
    t.deleteRecord();  // deleting a row never posted only cancels it
    EXPECT_EQ(t.recordCount(), 4);
    EXPECT_EQ(t.state(), DataSetState::Browse);

    t.last();
    t.deleteRecord();  // deleting the last row moves to the new last one
    EXPECT_EQ(t["CODIGO"].asString(), "B");
}

TEST(ClientTableEvents, NewRecordDefaultsDoNotCountAsChanges) {
    ClientTable t;
    t.setData(codes({"A"}));
    t.onNewRecord = [](ClientTable& ds) { ds["VALOR"].setValue(10.0); };
    t.append();
    EXPECT_FALSE(t.modified());
    EXPECT_DOUBLE_EQ(t["VALOR"].asFloat(), 10.0);
    EXPECT_TRUE(t["VALOR"].oldValue().isNull());
    t["CODIGO"].setValue("B");
    EXPECT_TRUE(t.modified());
}

TEST(ClientTableEvents, CursorFlagsAndBookmarks) {
    ClientTable t;
    t.setData(codes({"A", "B", "C"}));
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(codesOf(t).size(), 3);
    EXPECT_EQ(t.recNo(), 3);  // next on the last row raises eof but keeps the row
    t.prior();
    EXPECT_FALSE(t.eof());
    EXPECT_EQ(t.recNo(), 2);

    const Bookmark b = t.bookmark();
    t.first();
    t.insert();
    t["CODIGO"].setValue("Z");
    t.post();
    EXPECT_TRUE(t.bookmarkValid(b));
    t.gotoBookmark(b);
    EXPECT_EQ(t["CODIGO"].asString(), "B");
    t.deleteRecord();
    EXPECT_FALSE(t.bookmarkValid(b));
    EXPECT_THROW(t.gotoBookmark(b), UserError);

    t.setRecNo(99);
    EXPECT_EQ(t.recNo(), t.recordCount());
}

TEST(ClientTableEvents, WritingOutsideEditAndRequiredFields) {
    ClientTable t;
    Field& code = t.addField("CODIGO", FieldType::String, 10);
    code.required = true;
    code.displayLabel = "Código";
    t.createDataSet();
    const auto errorOf = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const UserError& e) {
            return e.text();
        }
        return QString();
    };
    EXPECT_EQ(errorOf([&] { code.setValue("A"); }), "Tabela não está em modo de edição ou inclusão.");
    QStringList log;
    t.beforePost = [&](ClientTable&) { log << "BeforePost"; };
    t.append();
    code.setValue("   ");
    EXPECT_EQ(errorOf([&] { t.post(); }), "Campo 'Código' deve ter um valor.");
    EXPECT_EQ(log, QStringList{"BeforePost"});  // the check runs after BeforePost
    EXPECT_EQ(t.state(), DataSetState::Insert);
    code.setValue("A");
    t.post();
    EXPECT_EQ(t.recordCount(), 1);
}

namespace {
struct PendingTextLink : DataLink {
    Field* field = nullptr;
    QString pending;
    int refreshes = 0;
    void updateRecord() override {
        if (pending.isEmpty()) return;
        if (field->dataSet()->state() == DataSetState::Browse) field->dataSet()->edit();
        field->setText(std::exchange(pending, {}));
        field->dataSet()->post();  // a careless link: must not recurse into a second post
    }
    void refresh() override { ++refreshes; }
};
}  // namespace

TEST(ClientTableEvents, DataSourcesForwardChangesAndLinksWritePendingTextBeforePost) {
    ClientTable t;
    t.setData(codes({"A", "B"}));
    DataSource src("dtsPadrao");
    PendingTextLink link;
    link.field = &t["CODIGO"];
    src.addLink(&link);
    int states = 0;
    src.onStateChange = [&](DataSource&) { ++states; };
    src.onDataChange = [](DataSource&, Field*) {};
    src.setDataSet(&t);
    EXPECT_EQ(states, 1);
    EXPECT_GE(link.refreshes, 1);

    QStringList order;
    t.beforePost = [&](ClientTable& ds) { order << "BeforePost:" + ds["CODIGO"].asString(); };
    t.edit();
    link.pending = "TYPED";
    t.post();
    EXPECT_EQ(order, QStringList{"BeforePost:TYPED"});
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t["CODIGO"].asString(), "TYPED");
    EXPECT_EQ(states, 3);  // edit, browse

    // Controls disabled: no notifications until they are enabled again, then one.
    QSignalSpy changed(&src, &DataSource::dataChanged);
    t.disableControls();
    t.disableControls();
    codesOf(t);
    t.enableControls();
    EXPECT_EQ(changed.count(), 0);
    t.enableControls();
    EXPECT_EQ(changed.count(), 1);

    // Re-pointing the source to another table, and that table going away.
    auto other = std::make_unique<ClientTable>();
    other->setData(codes({"X"}));
    src.setDataSet(other.get());
    EXPECT_EQ(src.dataSet(), other.get());
    other.reset();
    EXPECT_EQ(src.dataSet(), nullptr);
    t.edit();
    t.post();  // t no longer reaches the source's links
}
