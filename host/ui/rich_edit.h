#pragma once
#include <QTextEdit>
#include <QVariant>

#include "control.h"
#include "data_link_control.h"

namespace cot {

// Rich-text editor bound to a memo field. The field holds HTML (what this editor
// writes); a value that is not HTML is shown as plain text. Typing puts a browsing table
// in edit; the text is written when the focus leaves or the table posts.
class TDBRichEdit : public ControlWidget<QTextEdit> {
public:
    explicit TDBRichEdit(const QString& name = {}, QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_->dataSource(); }
    void setDataSource(DataSource* source) { link_->setDataSource(source); }
    QString dataField() const { return link_->dataField(); }
    void setDataField(const QString& name) { link_->setDataField(name); }
    Field* field() const { return link_->field(); }

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; load(); }
    bool modified() const { return pending_; }
    bool isEmpty() const { return toPlainText().trimmed().isEmpty(); }
    // The text as stored: HTML, or "" when nothing is written.
    QString storedText() const;
    // Asks the table to enter edit as typing would; false when the field can't change.
    bool beginEdit();

    void updateRecord();
    void beforeExit() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void load();

    FieldDataLink* link_;
    bool pending_ = false;
    bool readOnly_ = false;
    bool loading_ = false;
    bool loadedOnce_ = false;
    QVariant loadedValue_;
};

}  // namespace cot
