#pragma once
#include <QDialog>

#include "ui/lookup_rows.h"

class QLabel;
class QTableView;

namespace cot::cot00900 {

// A message above a read-only list of a table's visible fields, closed with OK.
class ListWindow : public QDialog {
    Q_OBJECT
public:
    ListWindow(const QString& message, LookupRows rows, QWidget* parent = nullptr);

    QLabel* messageLabel() const { return lblMensagem_; }
    QTableView* view() const { return dbgLista_; }
    LookupModel* model() const { return model_; }

private:
    QLabel* lblMensagem_;
    QTableView* dbgLista_;
    LookupModel* model_;
};

}  // namespace cot::cot00900
