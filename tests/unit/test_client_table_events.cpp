// States, events and cursor of client tables: the order screens rely on and what a
// refused operation leaves behind.
#include <QSignalSpy>

#include "data/data_source.h"
#include "unit_cases.h"

namespace {

Packet codes(std::initializer_list<const char*> values) {
    Packet p;
    p.fields = {{"CODIGO", FieldType::String, 10}, {"VALOR", FieldType::Float, 0}};
    double v = 1;
    for (const char* c : values) p.rows.append(QVariantList{QString(c), v++});
    return p;
}

using EventOf = ClientTable::Event ClientTable::*;
#define COT_EVENT(name) std::pair<EventOf, const char*>(&ClientTable::name, #name)

}  // namespace

TEST(ClientTableEvents, OrderOfInsertPostEditCancelDelete) {
    ClientTable t("cdsTeste");
    t.setData(codes({"A", "B"}));
    // Every event, recorded as "name" or "name:CODIGO".
    QStringList log;
    for (const auto& [event, name] :
         {COT_EVENT(beforeInsert), COT_EVENT(afterInsert), COT_EVENT(beforeEdit), COT_EVENT(afterEdit), COT_EVENT(beforePost),
          COT_EVENT(afterPost), COT_EVENT(beforeCancel), COT_EVENT(afterCancel), COT_EVENT(beforeDelete),
          COT_EVENT(afterDelete), COT_EVENT(beforeScroll), COT_EVENT(afterScroll), COT_EVENT(onNewRecord)}) {
        t.*event = [&log, name = QString(name)](ClientTable& ds) {
            const QString code = ds.active() ? ds["CODIGO"].asString() : QString();
            log << (code.isEmpty() ? name : name + ":" + code);
        };
    }
    const auto take = [&] { return std::exchange(log, {}); };
    t.append();
    EXPECT_EQ(take(), (QStringList{"beforeInsert:A", "beforeScroll:A", "onNewRecord", "afterInsert", "afterScroll"}));
    t["CODIGO"].setValue("C");
    t.post();
    EXPECT_EQ(take(), (QStringList{"beforePost:C", "afterPost:C"}));
    EXPECT_EQ(QList<int>({t.recordCount(), t.recNo()}), QList<int>({3, 3}));
    t.edit();
    EXPECT_EQ(take(), (QStringList{"beforeEdit:C", "afterEdit:C"}));
    t.cancel();
    EXPECT_EQ(take(), (QStringList{"beforeCancel:C", "afterCancel:C"}));
    t.first();
    t.deleteRecord();
    EXPECT_EQ(take(), (QStringList{"beforeScroll:C", "afterScroll:A", "beforeDelete:A", "beforeScroll:A",
                                   "afterDelete:B", "afterScroll:B"}));
}

// A handler that refuses leaves state, cursor, rows, log and the typed value as they were.
TEST(ClientTableEvents, ThrowingHandlerLeavesEverythingAsItWas) {
    const std::tuple<const char*, EventOf, bool, std::function<void(ClientTable&)>> cases[] = {
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
    for (const auto& [name, event, editing, act] : cases) {
        SCOPED_TRACE(name);
        ClientTable t;
        t.setData(codes({"A", "B", "C"}));
        t.next();
        if (editing) { t.edit(); t["CODIGO"].setValue("X"); }
        const auto seen = [&] {
            return QVariantList{int(t.state()), t.isEditing(), t.recNo(), t.rowCount(), t.changeCount(), t["CODIGO"].asString()};
        };
        const QVariantList before = seen();
        t.*event = [](ClientTable&) { throw UserError("não"); };
        EXPECT_THROW(act(t), UserError);
        EXPECT_EQ(seen(), before);
    }
}

TEST(ClientTableEvents, InsertCancelDeleteCursorAndBookmarksAndEmptyTables) {
    ClientTable t;
    t.setData(codes({}));
    EXPECT_TRUE(t.eof() && t.bof());
    EXPECT_THROW(t.deleteRecord(), UserError);
    t.edit();  // nothing to edit: a new row is started
    EXPECT_TRUE(t.state() == DataSetState::Insert && t.isEditing());
    t.cancel();
    EXPECT_FALSE(t.isEditing());
    EXPECT_EQ(t.recordCount() + t.changeCount(), 0);

    t.setData(codes({"A", "B", "C"}));
    t.next();
    t.insert();  // before the current row
    EXPECT_EQ(QList<int>({t.rowCount(), t.currentRow()}), QList<int>({4, 1}));
    t["CODIGO"].setValue("N");
    t.post();
    EXPECT_EQ(codesOf(t), (QStringList{"A", "N", "B", "C"}));
    t.locate("CODIGO", "B");
    t.insert();
    t.cancel();  // the new row vanishes and the cursor stays where it was
    EXPECT_EQ(t["CODIGO"].asString(), "B");
    t.insert();
    t.deleteRecord();  // deleting a row never posted only cancels it
    EXPECT_TRUE(t.recordCount() == 4 && t.state() == DataSetState::Browse);
    t.last();
    t.deleteRecord();  // deleting the last row moves to the new last one
    EXPECT_EQ(t["CODIGO"].asString(), "B");

    // Defaults set for a new record are not changes of the user's.
    t.onNewRecord = [](ClientTable& ds) { ds["VALOR"].setValue(10.0); };
    t.append();
    EXPECT_TRUE(!t.modified() && t["VALOR"].asFloat() == 10.0 && t["VALOR"].oldValue().isNull());
    t["CODIGO"].setValue("Z");
    EXPECT_TRUE(t.modified());
    t.cancel();

    // Cursor flags and bookmarks.
    t.setData(codes({"A", "B", "C"}));
    EXPECT_TRUE(t.bof() && !t.eof());
    while (!t.eof()) t.next();
    EXPECT_EQ(t.recNo(), 3);  // next on the last row raises eof but keeps the row
    t.prior();
    EXPECT_TRUE(!t.eof() && t.recNo() == 2);

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

// Writing outside edit and an empty required field are refused with their texts; a refused
// post writes nothing to the log, and moving on posts first.
TEST(ClientTableEvents, WritingOutsideEditAndRequiredFields) {
    ClientTable t;
    Field& code = t.addField("CODIGO", FieldType::String, 10);
    code.required = true;
    code.displayLabel = "Código";
    t.createDataSet();
    EXPECT_EQ(userErrorOf([&] { code.setValue("A"); }), "Tabela não está em modo de edição ou inclusão.");
    QStringList log;
    t.beforePost = [&](ClientTable&) { log << "BeforePost"; };
    t.append();
    code.setValue("   ");
    EXPECT_EQ(userErrorOf([&] { t.post(); }), "Campo 'Código' deve ter um valor.");
    EXPECT_EQ(log, QStringList{"BeforePost"});  // the check runs after BeforePost
    EXPECT_EQ(t.state(), DataSetState::Insert);
    code.setValue("A");
    t.next();  // posts first
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(QList<int>({t.recordCount(), t.changeCount()}), QList<int>({1, 1}));
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
    EXPECT_TRUE(states == 1 && link.refreshes >= 1) << states << " " << link.refreshes;

    QStringList order;
    t.beforePost = [&](ClientTable& ds) { order << "BeforePost:" + ds["CODIGO"].asString(); };
    t.edit();
    link.pending = "TYPED";
    t.post();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(order << t["CODIGO"].asString() << QString::number(states), QStringList({"BeforePost:TYPED", "TYPED", "3"}));  // edit, browse

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
