#pragma once
#include "ui/control.h"

class QWidget;

namespace cot {

class DataSource;
class TDBEdit;

// A header edit bound to a field, coloured as mandatory, optional or not editable.
// Read-only edits (names filled by lookups) take no focus and show a long text from
// its start.
TDBEdit* boundEdit(const char* name, QWidget* parent, DataSource* source, const char* field, ControlColor color,
                   bool readOnly = false);

}  // namespace cot
