// Layout helpers shared by the areas of the proposal screen.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "proposal/area/area_layout.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

namespace layout {

QVBoxLayout* column(QWidget* w, int margin) {
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    return l;
}

QHBoxLayout* row(QWidget* w, int margin) {
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    return l;
}

TDBGrid* grid(const char* name, QWidget* parent, DataSource* source, bool readOnly) {
    auto* g = new TDBGrid(QString::fromLatin1(name), parent);
    g->setDataSource(source);
    g->setReadOnly(readOnly);
    if (parent->layout()) parent->layout()->addWidget(g);
    return g;
}

TDBEdit* edit(const char* name, QWidget* parent, DataSource* source, const char* field) {
    auto* e = new TDBEdit(QString::fromLatin1(name), parent);
    e->setDataSource(source);
    e->setDataField(QString::fromLatin1(field));
    return e;
}

void labelled(QGridLayout* g, int r, int c, const QString& caption, QWidget* w) {
    g->addWidget(new QLabel(caption, w->parentWidget()), r, c);
    g->addWidget(w, r, c + 1);
}

}  // namespace layout

}  // namespace cot
