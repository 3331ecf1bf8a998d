#pragma once
#include <QComboBox>
#include <QStringList>
#include <QVariant>

#include "control.h"
#include "data_link_control.h"

namespace cot {

// Drop-down list bound to a field. The items are the words the user sees; the field's
// get-text handler (editor text) chooses the item shown and the chosen item is written
// with Field::setText, so the field's set-text handler turns the word into its code.
// The choice is written when the focus leaves or the table posts, like typed text.
class TDBComboBox : public ControlWidget<QComboBox> {
public:
    explicit TDBComboBox(const QString& name = {}, QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_->dataSource(); }
    void setDataSource(DataSource* source) { link_->setDataSource(source); }
    QString dataField() const { return link_->dataField(); }
    void setDataField(const QString& name) { link_->setDataField(name); }
    Field* field() const { return link_->field(); }

    void setItems(const QStringList& items);
    QStringList items() const;
    QString text() const { return currentText(); }
    int itemIndex() const { return currentIndex(); }
    // Chooses an item as the user would (puts the table in edit); false when refused.
    bool choose(int index);
    bool modified() const { return pending_; }

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; load(); }

    void updateRecord();
    void beforeExit() override;

private:
    bool accept(int index);
    void load();

    FieldDataLink* link_;
    bool pending_ = false;
    bool accepted_ = false;  // the last change reached the table (OnChange may have stored it already)
    bool readOnly_ = false;
    bool loading_ = false;
    QVariant loadedValue_;
};

}  // namespace cot
