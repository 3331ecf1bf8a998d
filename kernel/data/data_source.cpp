#include "data_source.h"

#include "client_table.h"

namespace cot {

DataSource::DataSource(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

DataSource::~DataSource() {
    for (const auto& c : connections_) disconnect(c);
    if (dataSet_) dataSet_->detach(this);
}

void DataSource::setDataSet(ClientTable* dataSet) {
    if (dataSet == dataSet_) return;
    for (const auto& c : connections_) disconnect(c);
    connections_.clear();
    if (dataSet_) dataSet_->detach(this);
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->attach(this);
        auto stateChange = [this] {
            if (!enabled) return;
            emit stateChanged();
            if (onStateChange) onStateChange(*this);
            refreshLinks();
        };
        auto dataChange = [this](Field* field) {
            if (!enabled) return;
            emit dataChanged(field);
            if (onDataChange) onDataChange(*this, field);
            refreshLinks();
        };
        connections_ << connect(dataSet_, &ClientTable::stateChanged, this, stateChange)
                     << connect(dataSet_, &ClientTable::recordChanged, this, dataChange)
                     << connect(dataSet_, &ClientTable::scrolled, this, [dataChange] { dataChange(nullptr); })
                     << connect(dataSet_, &ClientTable::dataSetChanged, this, [dataChange] { dataChange(nullptr); })
                     << connect(dataSet_, &QObject::destroyed, this, [this] {
                            dataSet_ = nullptr;
                            connections_.clear();
                        });
    }
    // Re-pointing the source changes what every bound control shows and may allow.
    if (!enabled) return;
    emit stateChanged();
    if (onStateChange) onStateChange(*this);
    emit dataChanged(nullptr);
    if (onDataChange) onDataChange(*this, nullptr);
    refreshLinks();
}

void DataSource::addLink(DataLink* link) {
    if (link && !links_.contains(link)) links_.append(link);
}

void DataSource::removeLink(DataLink* link) { links_.removeAll(link); }

void DataSource::updateRecord() {
    const auto links = links_;
    for (DataLink* l : links)
        if (links_.contains(l)) l->updateRecord();
}

void DataSource::refreshLinks() {
    const auto links = links_;
    for (DataLink* l : links)
        if (links_.contains(l)) l->refresh();
}

}  // namespace cot
