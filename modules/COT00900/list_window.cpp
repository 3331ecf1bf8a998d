#include "list_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace cot::cot00900 {

ListWindow::ListWindow(const QString& message, LookupRows rows, QWidget* parent) : QDialog(parent) {
    setObjectName("frmCOT00900");
    setWindowTitle(QStringLiteral("Aviso"));
    auto* layout = new QVBoxLayout(this);
    lblMensagem_ = new QLabel(message, this);
    lblMensagem_->setObjectName("lblMensagem");
    lblMensagem_->setWordWrap(true);
    lblMensagem_->setTextFormat(Qt::PlainText);
    layout->addWidget(lblMensagem_);

    model_ = new LookupModel(std::move(rows), false, this);
    dbgLista_ = new QTableView(this);
    dbgLista_->setObjectName("dbgLista");
    dbgLista_->setModel(model_);
    dbgLista_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgLista_->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgLista_->verticalHeader()->setVisible(false);
    dbgLista_->horizontalHeader()->setStretchLastSection(true);
    dbgLista_->resizeColumnsToContents();
    layout->addWidget(dbgLista_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOk");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(560, 360);
}

}  // namespace cot::cot00900
