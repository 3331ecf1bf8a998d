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

// Records every event of a table as "Name" or "Name:CODIGO".
struct Recorder {
    QStringList log;
    void attach(ClientTable& t) {
        auto rec = [this](const char* name) {
            return [this, name](ClientTable& ds) {
                const Field* f = ds.findField("CODIGO");
                const QString code = f && ds.active() ? f->asString() : QString();
                log << (code.isEmpty() ? QString(name) : QString("%1:%2").arg(name, code));
            };
        };
        using Event = ClientTable::Event ClientTable::*;
        for (const auto& [event, name] : std::initializer_list<std::pair<Event, const char*>>{
                 {&ClientTable::beforeInsert, "BeforeInsert"}, {&ClientTable::afterInsert, "AfterInsert"},
                 {&ClientTable::beforeEdit, "BeforeEdit"},     {&ClientTable::afterEdit, "AfterEdit"},
                 {&ClientTable::beforePost, "BeforePost"},     {&ClientTable::afterPost, "AfterPost"},
                 {&ClientTable::beforeCancel, "BeforeCancel"}, {&ClientTable::afterCancel, "AfterCancel"},
                 {&ClientTable::beforeDelete, "BeforeDelete"}, {&ClientTable::afterDelete, "AfterDelete"},
                 {&ClientTable::beforeScroll, "BeforeScroll"}, {&ClientTable::afterScroll, "AfterScroll"},
                 {&ClientTable::onNewRecord, "NewRecord"}})
            t.*event = rec(name);
    }
    QStringList take() { return std::exchange(log, {}); }
};

}  // namespace

TEST(ClientTableEvents, OrderOfInsertPostEditCancelDelete) {
    ClientTable t("cdsTeste");
    t.setData(codes({"A", "B"}));
    Recorder r;
    r.attach(t);

    t.append();
    EXPECT_EQ(r.take(), (QStringList{"BeforeInsert:A", "BeforeScroll:A", "NewRecord", "AfterInsert", "AfterScroll"}));
    t["CODIGO"].setValue("C");
    t.post();
    EXPECT_EQ(r.take(), (QStringList{"BeforePost:C", "AfterPost:C"}));
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.recNo(), 3);

    t.edit();
    EXPECT_EQ(r.take(), (QStringList{"BeforeEdit:C", "AfterEdit:C"}));
    t.cancel();
    EXPECT_EQ(r.take(), (QStringList{"BeforeCancel:C", "AfterCancel:C"}));

    t.first();
    t.deleteRecord();
    EXPECT_EQ(r.take(), (QStringList{"BeforeScroll:C", "AfterScroll:A", "BeforeDelete:A", "BeforeScroll:A",
                                     "AfterDelete:B", "AfterScroll:B"}));
}

TEST(ClientTableEvents, ThrowingBeforeHandlerLeavesEverythingAsItWas) {
    ClientTable t;
    t.setData(codes({"A", "B"}));
    t.next();

    t.beforeEdit = [](ClientTable&) { throw UserError("não"); };
    EXPECT_THROW(t.edit(), UserError);
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_FALSE(t.isEditing());
    t.beforeEdit = nullptr;

    t.beforeInsert = [](ClientTable&) { throw UserError("não"); };
    EXPECT_THROW(t.append(), UserError);
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.recNo(), 2);
    t.beforeInsert = nullptr;

    // A refused post keeps the edit with its values and writes nothing to the log.
    t.edit();
    t["CODIGO"].setValue("X");
    t.beforePost = [](ClientTable& ds) {
        if (ds["CODIGO"].asString() == "X") throw UserError("Código inválido");
    };
    EXPECT_THROW(t.post(), UserError);
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_TRUE(t.isEditing());
    EXPECT_EQ(t["CODIGO"].asString(), "X");
    EXPECT_EQ(t.changeCount(), 0);
    t["CODIGO"].setValue("Y");
    t.post();
    EXPECT_EQ(t.changeCount(), 1);

    t.beforeDelete = [](ClientTable&) { throw UserError("não"); };
    EXPECT_THROW(t.deleteRecord(), UserError);
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_EQ(t.changeCount(), 1);

    t.beforeScroll = [](ClientTable&) { throw UserError("não"); };
    EXPECT_THROW(t.first(), UserError);
    EXPECT_EQ(t.recNo(), 2);

    t.beforeScroll = nullptr;
    t.beforeCancel = [](ClientTable&) { throw UserError("não"); };
    t.edit();
    EXPECT_THROW(t.cancel(), UserError);
    EXPECT_EQ(t.state(), DataSetState::Edit);
}

TEST(ClientTableEvents, MovingWhileEditingPostsFirstAndStaysWhenPostFails) {
    ClientTable t;
    t.setData(codes({"A", "B", "C"}));
    t.edit();
    t["CODIGO"].setValue("A1");
    t.next();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t["CODIGO"].asString(), "B");
    t.first();
    EXPECT_EQ(t["CODIGO"].asString(), "A1");

    t.beforePost = [](ClientTable&) { throw UserError("Preencha o valor"); };
    t.edit();
    t["CODIGO"].setValue("A2");
    EXPECT_THROW(t.last(), UserError);
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_THROW(t.locate("CODIGO", "C"), UserError);
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_THROW(t.append(), UserError);  // insert while editing posts first, too
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_EQ(t.recordCount(), 3);
}

TEST(ClientTableEvents, InsertCancelDeleteAndEmptyTables) {
    ClientTable t;
    t.setData(codes({}));
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(t.bof());
    EXPECT_THROW(t.deleteRecord(), UserError);

    t.edit();  // nothing to edit: a new row is started
    EXPECT_EQ(t.state(), DataSetState::Insert);
    EXPECT_TRUE(t.isEditing());
    t.cancel();
    EXPECT_FALSE(t.isEditing());
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(t.changeCount(), 0);

    t.setData(codes({"A", "B", "C"}));
    t.next();
    t.insert();  // before the current row
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.currentRow(), 1);
    t["CODIGO"].setValue("N");
    t.post();
    QStringList order;
    for (t.first(); !t.eof(); t.next()) order << t["CODIGO"].asString();
    EXPECT_EQ(order, (QStringList{"A", "N", "B", "C"}));

    t.locate("CODIGO", "B");
    t.insert();
    t.cancel();  // the new row vanishes and the cursor stays where it was
    EXPECT_EQ(t["CODIGO"].asString(), "B");
    EXPECT_EQ(t.recordCount(), 4);

    t.insert();
    t.deleteRecord();  // deleting a row never posted only cancels it
    EXPECT_EQ(t.recordCount(), 4);
    EXPECT_EQ(t.state(), DataSetState::Browse);

    t.last();
    t.deleteRecord();  // deleting the last row moves to the new last one
    EXPECT_EQ(t["CODIGO"].asString(), "B");
}

TEST(ClientTableEvents, NewRecordDefaultsDoNotCountAsChangesAndItsFailureUndoesTheInsert) {
    ClientTable t;
    t.setData(codes({"A"}));
    t.onNewRecord = [](ClientTable& ds) { ds["VALOR"].setValue(10.0); };
    t.append();
    EXPECT_FALSE(t.modified());
    EXPECT_DOUBLE_EQ(t["VALOR"].asFloat(), 10.0);
    EXPECT_TRUE(t["VALOR"].oldValue().isNull());
    t["CODIGO"].setValue("B");
    EXPECT_TRUE(t.modified());
    t.post();

    t.onNewRecord = [](ClientTable&) { throw UserError("falhou"); };
    EXPECT_THROW(t.append(), UserError);
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t.rowCount(), 2);
}

TEST(ClientTableEvents, CursorFlagsAndBookmarks) {
    ClientTable t;
    t.setData(codes({"A", "B", "C"}));
    EXPECT_TRUE(t.bof());
    EXPECT_FALSE(t.eof());
    int visited = 0;
    for (t.first(); !t.eof(); t.next()) ++visited;
    EXPECT_EQ(visited, 3);
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
    t.addField("VALOR", FieldType::Float);
    t.createDataSet();
    try {
        code.setValue("A");
        FAIL() << "write in browse accepted";
    } catch (const UserError& e) {
        EXPECT_EQ(e.text(), "Tabela não está em modo de edição ou inclusão.");
    }
    QStringList log;
    t.beforePost = [&](ClientTable&) { log << "BeforePost"; };
    t.append();
    code.setValue("   ");
    try {
        t.post();
        FAIL() << "empty required field accepted";
    } catch (const UserError& e) {
        EXPECT_EQ(e.text(), "Campo 'Código' deve ter um valor.");
    }
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
    int states = 0, changes = 0;
    src.onStateChange = [&](DataSource&) { ++states; };
    src.onDataChange = [&](DataSource&, Field*) { ++changes; };
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
    for (t.first(); !t.eof(); t.next()) {
    }
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
