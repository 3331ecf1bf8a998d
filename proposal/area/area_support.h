#pragma once
// Small builders the areas share: named tables and data sources owned by the screen.
#include <QList>
#include <QString>
#include <QStringList>

class QObject;

namespace cot {

class ClientTable;
class DataSource;
class TMessages;
class AreaHost;

namespace area_support {

ClientTable* table(QObject* owner, const char* name);
DataSource* source(QObject* owner, const char* name, ClientTable* table);
// The current row's value of a field, "" when the table is closed or empty.
QString currentText(const ClientTable& t, const QString& field);
// Whether the Verify command may read these tables again: none is being edited and the
// server holds all their changes. Otherwise `name` joins `kept` (once) and nothing is read.
bool reloadable(const AreaHost& screen, const QList<const ClientTable*>& tables,
                const QString& name, QStringList& kept);

}  // namespace area_support
}  // namespace cot
