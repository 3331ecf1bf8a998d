#include "proposal/area/bound_edit.h"

#include "ui/db_edit.h"

namespace cot {

TDBEdit* boundEdit(const char* name, QWidget* parent, DataSource* source, const char* field, ControlColor color,
                   bool readOnly) {
    auto* e = new TDBEdit(QString::fromLatin1(name), parent);
    e->setDataSource(source);
    e->setDataField(QString::fromLatin1(field));
    e->setColor(color);
    if (readOnly) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        QObject::connect(e, &QLineEdit::textChanged, e, [e] { e->setCursorPosition(0); });
    }
    return e;
}

}  // namespace cot
