#include "proposal/area/area_support.h"

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/area_host.h"

namespace cot::area_support {

ClientTable* table(QObject* owner, const char* name) { return new ClientTable(QString::fromLatin1(name), owner); }

DataSource* source(QObject* owner, const char* name, ClientTable* table) {
    auto* s = new DataSource(QString::fromLatin1(name), owner);
    s->setDataSet(table);
    return s;
}

QString currentText(const ClientTable& t, const QString& field) {
    if (!t.active() || t.isEmpty()) return {};
    return t[field].asString();
}

bool reloadable(const AreaHost& screen, const QList<const ClientTable*>& tables,
                const QString& name, QStringList& kept) {
    for (const ClientTable* t : tables) {
        const ChildTableSave* save = screen.saveOf(t);
        if (t->isEditing() || t->changeCount() > 0 || (save && save->pending())) {
            if (!kept.contains(name)) kept << name;
            return false;
        }
    }
    return true;
}

}  // namespace cot::area_support
