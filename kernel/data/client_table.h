#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "field.h"
#include "packet.h"

namespace cot {

class DataSource;

enum class DataSetState { Inactive, Browse, Edit, Insert };

enum LocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using LocateOptions = unsigned;

// Opaque position of a row; stays valid while the row exists.
using Bookmark = qint64;

// In-memory table with a change log, filled whole from a server packet.
//
// Event order for a post: links write pending text → BeforePost → required checks →
// row stored and logged → AfterPost. A Before* handler that throws cancels the
// operation and leaves state, row and log as they were; the exception propagates.
// Moving the cursor while editing posts first. Edit on an empty table inserts.
class ClientTable : public QObject {
    Q_OBJECT
public:
    using Event = std::function<void(ClientTable&)>;

    explicit ClientTable(const QString& name = {}, QObject* parent = nullptr);
    ~ClientTable() override;

    QString name() const { return objectName(); }

    // ----- structure
    Field& addField(const FieldDef& def, FieldKind kind = FieldKind::Data);
    Field& addField(const QString& name, FieldType type, int size = 0, FieldKind kind = FieldKind::Data);
    int fieldCount() const;
    Field& field(int index) const;
    Field* findField(const QString& name) const;  // case-insensitive; nullptr when absent
    Field& fieldByName(const QString& name) const;  // throws UserError when absent
    Field& operator[](const QString& name) const { return fieldByName(name); }
    QList<FieldDef> fieldDefs(bool includeCalculated = false) const;

    // ----- opening and data
    void createDataSet();   // opens empty with the defined fields
    void close();           // Inactive; rows and log dropped
    void emptyDataSet();    // removes all rows without logging them
    bool active() const;
    DataSetState state() const;
    bool isEditing() const;  // Edit or Insert
    // Whole table as a packet (data fields only, every row ignoring the filter, current values).
    Packet data() const;
    // Loads a packet: rows become unmodified, log cleared, table opened, cursor on the first row.
    // Fields already defined are matched by name; packet columns not defined are added
    // as hidden fields; a defined data field missing from the packet throws UserError.
    void setData(const Packet& packet);

    // ----- navigation (over the rows that pass the filter)
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;          // 1-based; 0 when empty
    void setRecNo(int recNo);
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int distance);
    bool eof() const;
    bool bof() const;
    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark bookmark) const;
    void gotoBookmark(Bookmark bookmark);
    // Semicolon-separated field names and one value per field.
    bool locate(const QString& keyFields, const QVariantList& values, LocateOptions options = 0);
    bool locate(const QString& keyField, const QVariant& value, LocateOptions options = 0) {
        return locate(keyField, QVariantList{value}, options);
    }
    QVariant lookup(const QString& keyFields, const QVariantList& values, const QString& resultField) const;

    // ----- row access for grids: no cursor move, no events
    int rowCount() const;    // the filtered rows plus a row being inserted
    int currentRow() const;  // 0-based position of the current row among those; -1 when none
    // Runs `read` while every field reads row `row` (0-based, as counted by rowCount);
    // calculated fields are computed as needed. Writing fields inside `read` is not allowed.
    void withRow(int row, const std::function<void()>& read) const;

    // ----- editing
    void insert();   // new row before the current one
    void append();   // new row at the end
    void edit();
    void post();
    void cancel();
    void deleteRecord();  // Delete
    bool modified() const;  // the row being edited has changed
    void updateRecord();    // asks the data links to write their pending text

    // ----- change log
    int changeCount() const;
    Delta delta() const;
    void mergeChangeLog();
    void cancelUpdates();
    bool logChanges() const;
    void setLogChanges(bool on);
    enum class UpdateStatus { Unmodified, Modified, Inserted, Deleted };
    UpdateStatus updateStatus() const;  // of the current row

    // ----- filter (see filter_expression.h for the language)
    QString filter() const;
    void setFilter(const QString& expression);  // parse errors throw FilterError
    bool filtered() const;
    void setFiltered(bool on);                  // parse errors throw FilterError

    // ----- reading any row without moving the cursor (grids draw every visible row so)
    // While a RowView lives, field reads (value, texts, get-text handlers, calculated
    // fields) come from the row at 0-based position `row` of the filtered view; cursor,
    // state and events are untouched, and the row being edited shows its pending values.
    // Views nest (the innermost wins).
    class RowView {
    public:
        RowView(const ClientTable& table, int row);
        ~RowView();
        RowView(const RowView&) = delete;
        RowView& operator=(const RowView&) = delete;

    private:
        const ClientTable& table_;
        int previous_;
    };

    // ----- controls
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    // ----- events
    Event beforeOpen, afterOpen, beforeClose, afterClose;
    Event beforeInsert, afterInsert, beforeEdit, afterEdit, beforePost, afterPost;
    Event beforeCancel, afterCancel, beforeDelete, afterDelete;
    Event beforeScroll, afterScroll, onCalcFields, onNewRecord;

    struct Impl;  // internal state, defined in the table's own sources

signals:
    void stateChanged();
    void dataSetChanged();               // rows replaced, filter changed, controls re-enabled
    void recordChanged(cot::Field* field);  // a value of the current row changed (nullptr: whole row)
    void scrolled();                     // current row moved

private:
    friend class Field;
    friend class DataSource;
    std::unique_ptr<Impl> d;
    QVariant currentValue(const Field& f) const;
    QVariant currentOldValue(const Field& f) const;
    void storeValue(Field& f, const QVariant& v);
    void attach(DataSource* source);
    void detach(DataSource* source);
};

}  // namespace cot
