#pragma once
// Layout helpers the proposal screen and its areas build their pages with.
#include <QString>

class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class QWidget;

namespace cot {
class DataSource;
class TDBEdit;
class TDBGrid;

namespace layout {
QVBoxLayout* column(QWidget* w, int margin = 2);
QHBoxLayout* row(QWidget* w, int margin = 2);
// A grid bound to `source`, added to the parent's layout when it has one.
TDBGrid* grid(const char* name, QWidget* parent, DataSource* source, bool readOnly);
TDBEdit* edit(const char* name, QWidget* parent, DataSource* source, const char* field);
// A caption and a control side by side in cells (r, c) and (r, c + 1).
void labelled(QGridLayout* g, int r, int c, const QString& caption, QWidget* w);
}  // namespace layout
}  // namespace cot
