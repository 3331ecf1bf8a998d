#include "data_link_control.h"

#include "event_boundary.h"

namespace cot {

FieldDataLink::FieldDataLink(QObject* owner) : QObject(owner) {}

FieldDataLink::~FieldDataLink() {
    if (source_) source_->removeLink(this);
}

void FieldDataLink::setDataSource(DataSource* source) {
    if (source_ == source) return;
    if (source_) source_->removeLink(this);
    source_ = source;
    // The source refreshes its links on every state and data change.
    if (source) source->addLink(this);
    refresh();
}

void FieldDataLink::setDataField(const QString& name) {
    fieldName_ = name;
    refresh();
}

ClientTable* FieldDataLink::dataSet() const { return source_ ? source_->dataSet() : nullptr; }

Field* FieldDataLink::field() const {
    ClientTable* ds = dataSet();
    if (!ds || fieldName_.isEmpty()) return nullptr;
    return ds->findField(fieldName_);
}

bool FieldDataLink::active() const {
    ClientTable* ds = dataSet();
    return ds && ds->active();
}

bool FieldDataLink::editing() const {
    ClientTable* ds = dataSet();
    return ds && ds->isEditing();
}

bool FieldDataLink::canModify() const {
    Field* f = field();
    return f && active() && !f->readOnly && f->kind() == FieldKind::Data;
}

bool FieldDataLink::edit() {
    if (!canModify()) return false;
    if (editing()) return true;
    if (!source_->autoEdit || !source_->enabled) return false;
    ClientTable* ds = dataSet();
    return runHandler([ds] { ds->edit(); }) && editing();
}

void FieldDataLink::refresh() {
    if (onRefresh) onRefresh();
}

void FieldDataLink::updateRecord() {
    if (onUpdateRecord) onUpdateRecord();
}

}  // namespace cot
