#pragma once
// Small builders the areas share: named tables and data sources owned by the screen.
#include <QList>
#include <QString>

class QObject;
class QWidget;

namespace cot {

class ClientDataSet;
class DataSource;
class TMessages;

namespace area_support {

ClientDataSet* table(QObject* owner, const char* name);
DataSource* source(QObject* owner, const char* name, ClientDataSet* table);
// The current row's value of a field, "" when the table is closed or empty.
QString currentText(const ClientDataSet& t, const QString& field);
// Controls of an area whose editing is not built yet: disabled, with the reason as hint.
void holdBack(const QList<QWidget*>& controls, const QString& hint);

}  // namespace area_support
}  // namespace cot
