#pragma once
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "data/client_table.h"
#include "data/data_source.h"

namespace cot {

// The link of one bound control to one field of the table behind a data source.
// The field is looked up by name each time, because a source can be re-pointed to
// another table at any moment.
class FieldDataLink : public QObject, public DataLink {
    Q_OBJECT
public:
    explicit FieldDataLink(QObject* owner = nullptr);
    ~FieldDataLink() override;

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    const QString& dataField() const { return fieldName_; }
    void setDataField(const QString& name);

    ClientTable* dataSet() const;
    Field* field() const;  // nullptr when unbound, inactive or not found
    bool active() const;
    bool editing() const;  // the table is in Edit or Insert
    // The control may change the field: bound, table open, field not read-only.
    bool canModify() const;
    // Before a keystroke changes the text: puts a browsing table in edit when the source
    // allows it. Returns whether the text may change. Failures go through the boundary.
    bool edit();

    // Called when the control must reload from the field.
    std::function<void()> onRefresh;
    // Called when the control must write its pending text (may throw to refuse).
    std::function<void()> onUpdateRecord;

    void refresh() override;
    void updateRecord() override;

private:
    QPointer<DataSource> source_;
    QString fieldName_;
};

}  // namespace cot
