#pragma once
#include <QString>
#include <Qt>

namespace cot {

class Field;

// Button shown in a column's cell editor: Auto = none (or a pick list), Ellipsis = "..."
// that runs the grid's onEditButtonClick.
enum class ColumnButtonStyle { Auto, Ellipsis };

// One grid column, bound to a field by name.
struct TColumn {
    QString fieldName;
    QString title;        // empty → the field's label
    int width = 0;        // pixels; 0 → from the field's display width
    Qt::Alignment alignment = {};  // empty → from the field
    bool readOnly = false;
    bool visible = true;
    ColumnButtonStyle buttonStyle = ColumnButtonStyle::Auto;
    Field* field = nullptr;  // resolved against the current table; may be null
    int index = -1;          // position among the grid's columns

    QString caption() const;
};

// Grid options, switchable at run time.
enum GridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
};
using GridOptions = unsigned;
constexpr GridOptions kDefaultGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                            dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

// State of a cell being drawn.
enum GridDrawState : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using GridDrawStates = unsigned;

}  // namespace cot
