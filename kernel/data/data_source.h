#pragma once
#include <QObject>
#include <QList>
#include <functional>

namespace cot {

class ClientTable;
class Field;

// A control bound to a table through a data source.
class DataLink {
public:
    virtual ~DataLink() = default;
    // Write text typed but not yet stored into the field (called before Post).
    virtual void updateRecord() {}
    // Re-read from the table: the row moved, the data or the state changed.
    virtual void refresh() {}
};

// Points bound controls at one table and reports its state changes. Re-pointing a
// source (dtsPadrao) to another table refreshes every link.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(const QString& name = {}, QObject* parent = nullptr);
    ~DataSource() override;

    ClientTable* dataSet() const { return dataSet_; }
    void setDataSet(ClientTable* dataSet);

    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    const QList<DataLink*>& links() const { return links_; }
    void updateRecord();   // every link writes its pending text
    void refreshLinks();

    bool enabled = true;
    bool autoEdit = true;  // typing in a bound control puts the table in Edit
    std::function<void(DataSource&)> onStateChange;
    std::function<void(DataSource&, Field*)> onDataChange;

signals:
    void stateChanged();
    void dataChanged(cot::Field* field);

private:
    ClientTable* dataSet_ = nullptr;
    QList<DataLink*> links_;
    QList<QMetaObject::Connection> connections_;
};

}  // namespace cot
