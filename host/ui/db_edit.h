#pragma once
#include <QLineEdit>
#include <QVariant>

#include "control.h"
#include "data_link_control.h"
#include "edit_mask.h"

namespace cot {

// A line edit bound to one field.
//  - Shows the field's editor text while focused and its display text otherwise.
//  - The first keystroke puts a browsing table in edit (when the source allows auto edit);
//    keys are refused when the field cannot be changed.
//  - What is typed stays pending until the focus leaves or the table posts; then it is
//    written with Field::setText, so the field's set-text handler runs. A refused text
//    keeps the focus in the edit.
//  - The field's edit mask applies; Escape brings the field's value back.
class TDBEdit : public ControlWidget<QLineEdit> {
public:
    explicit TDBEdit(const QString& name = {}, QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_->dataSource(); }
    void setDataSource(DataSource* source) { link_->setDataSource(source); }
    QString dataField() const { return link_->dataField(); }
    void setDataField(const QString& name) { link_->setDataField(name); }
    Field* field() const { return link_->field(); }
    FieldDataLink* dataLink() const { return link_; }

    // The control's own read-only flag (the field's flag applies as well).
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on);

    // Text as typed (what would be written to the field), literals removed when the
    // mask says so.
    QString text() const;
    void setText(const QString& text);  // as if typed: pending until exit or post
    bool modified() const { return pending_; }

    // Writes the pending text now (what exit and post do). Throws when refused.
    void updateRecord();
    // Re-reads the field, dropping anything pending.
    void reset();

    void beforeExit() override;
    void beforeEnter() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    // Text to write into the field from what is shown; date edits refine it.
    virtual QString textToStore() const;
    virtual void writeToField(Field& field, const QString& text);
    // Mask used when the field has none.
    virtual QString defaultMask() const { return {}; }
    void load();

private:
    void applyMask(Field* f);
    bool keyChangesText(QKeyEvent* e) const;

    FieldDataLink* link_;
    bool pending_ = false;
    bool readOnly_ = false;
    bool loading_ = false;
    QVariant loadedValue_;
    QString appliedMask_;
};

}  // namespace cot
