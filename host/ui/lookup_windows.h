#pragma once
#include <QDialog>

#include "lookup_rows.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace cot {

// List window of the host searches: the visible fields of a table, a type-to-filter box
// above (any column containing the text, ignoring case), OK and Cancelar. With
// `multiple`, a leading mark column chooses several rows (space toggles the current one).
class LookupListWindow : public QDialog {
    Q_OBJECT
public:
    LookupListWindow(LookupRows rows, const QString& caption, bool multiple, QWidget* parent = nullptr);

    QLineEdit* filterEdit() const { return edtFiltro_; }
    QTableView* view() const { return grid_; }
    LookupModel* model() const { return model_; }

    void setFilterText(const QString& text);
    int visibleRowCount() const;
    // Row of the table's snapshot under the cursor (-1 when none is shown).
    int selectedRow() const;
    bool selectRow(int row);        // false when the row is filtered out
    void toggleRow(int row);        // multiple only
    QList<int> checkedRows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveToFirstVisible();
    LookupModel* model_;
    QSortFilterProxyModel* proxy_;
    QLineEdit* edtFiltro_;
    QTableView* grid_;
    bool multiple_;
};

// Find dialog of Procurar::Procura: a column of the table and the text to look for.
class FindWindow : public QDialog {
    Q_OBJECT
public:
    FindWindow(const QStringList& fieldNames, const QStringList& labels, const QString& startField,
               QWidget* parent = nullptr);

    QComboBox* fieldCombo() const { return cbbCampo_; }
    QLineEdit* textEdit() const { return edtProcurar_; }
    QString fieldName() const;
    QString text() const;
    void setField(const QString& fieldName);

private:
    QStringList fieldNames_;
    QComboBox* cbbCampo_;
    QLineEdit* edtProcurar_;
};

}  // namespace cot
