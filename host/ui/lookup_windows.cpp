#include "lookup_windows.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace cot {

namespace {

QDialogButtonBox* okCancel(QDialog* dialog, const QString& okText) {
    auto* box = new QDialogButtonBox(dialog);
    auto* ok = box->addButton(okText, QDialogButtonBox::AcceptRole);
    ok->setObjectName("btnOk");
    ok->setDefault(true);
    auto* cancel = box->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("btnCancelar");
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace

LookupListWindow::LookupListWindow(LookupRows rows, const QString& caption, bool multiple, QWidget* parent)
    : QDialog(parent), multiple_(multiple) {
    setObjectName(multiple ? "frmPesqLista" : "frmPesquisa");
    setWindowTitle(caption);
    const int startRow = rows.currentRow;
    model_ = new LookupModel(std::move(rows), multiple, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* layout = new QVBoxLayout(this);
    auto* filterRow = new QFormLayout;
    edtFiltro_ = new QLineEdit(this);
    edtFiltro_->setObjectName("edtFiltro");
    edtFiltro_->setClearButtonEnabled(true);
    filterRow->addRow(QStringLiteral("Filtrar:"), edtFiltro_);
    layout->addLayout(filterRow);

    grid_ = new QTableView(this);
    grid_->setObjectName(multiple ? "dbgPesqLista" : "dbgPesquisa");
    grid_->setModel(proxy_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setVisible(false);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->resizeColumnsToContents();
    grid_->installEventFilter(this);
    edtFiltro_->installEventFilter(this);
    layout->addWidget(grid_, 1);

    if (multiple) {
        auto* marks = new QHBoxLayout;
        auto* all = new QPushButton(QStringLiteral("Marcar todos"), this);
        all->setObjectName("btnMarcarTodos");
        all->setAutoDefault(false);
        auto* none = new QPushButton(QStringLiteral("Desmarcar todos"), this);
        none->setObjectName("btnDesmarcarTodos");
        none->setAutoDefault(false);
        connect(all, &QPushButton::clicked, this, [this] { model_->setAllChecked(true); });
        connect(none, &QPushButton::clicked, this, [this] { model_->setAllChecked(false); });
        marks->addWidget(all);
        marks->addWidget(none);
        marks->addStretch();
        layout->addLayout(marks);
    } else {
        connect(grid_, &QTableView::doubleClicked, this, &QDialog::accept);
    }
    layout->addWidget(okCancel(this, QStringLiteral("OK")));

    connect(edtFiltro_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->setFilterFixedString(text.trimmed());
        moveToFirstVisible();
    });
    resize(640, 420);
    if (!selectRow(startRow)) moveToFirstVisible();
    edtFiltro_->setFocus();
}

void LookupListWindow::setFilterText(const QString& text) { edtFiltro_->setText(text); }

int LookupListWindow::visibleRowCount() const { return proxy_->rowCount(); }

int LookupListWindow::selectedRow() const {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid()) return -1;
    return proxy_->mapToSource(current).row();
}

bool LookupListWindow::selectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) return false;
    const QModelIndex index = proxy_->mapFromSource(model_->index(row, multiple_ ? 1 : 0));
    if (!index.isValid()) return false;
    grid_->setCurrentIndex(index);
    grid_->scrollTo(index);
    return true;
}

void LookupListWindow::toggleRow(int row) {
    if (multiple_) model_->setChecked(row, !model_->isChecked(row));
}

QList<int> LookupListWindow::checkedRows() const { return model_->checkedRows(); }

void LookupListWindow::moveToFirstVisible() {
    if (proxy_->rowCount() == 0) {
        grid_->setCurrentIndex({});
        return;
    }
    if (grid_->currentIndex().isValid()) return;
    grid_->setCurrentIndex(proxy_->index(0, multiple_ ? 1 : 0));
}

bool LookupListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == edtFiltro_ && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
        // Arrow keys in the filter box move in the list, so typing and choosing never need the mouse.
        QCoreApplication::sendEvent(grid_, event);
        return true;
    }
    if (watched == grid_ && multiple_ && key->key() == Qt::Key_Space) {
        toggleRow(selectedRow());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

FindWindow::FindWindow(const QStringList& fieldNames, const QStringList& labels, const QString& startField,
                       QWidget* parent)
    : QDialog(parent), fieldNames_(fieldNames) {
    setObjectName("frmProcurar");
    setWindowTitle(QStringLiteral("Procurar"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbbCampo_ = new QComboBox(this);
    cbbCampo_->setObjectName("cbbCampo");
    cbbCampo_->addItems(labels);
    edtProcurar_ = new QLineEdit(this);
    edtProcurar_->setObjectName("edtProcurar");
    form->addRow(QStringLiteral("Campo:"), cbbCampo_);
    form->addRow(QStringLiteral("Procurar por:"), edtProcurar_);
    layout->addLayout(form);
    layout->addWidget(okCancel(this, QStringLiteral("Procurar")));
    setField(startField);
    edtProcurar_->setFocus();
}

QString FindWindow::fieldName() const { return fieldNames_.value(cbbCampo_->currentIndex()); }

QString FindWindow::text() const { return edtProcurar_->text(); }

void FindWindow::setField(const QString& fieldName) {
    for (int i = 0; i < fieldNames_.size(); ++i)
        if (fieldNames_[i].compare(fieldName, Qt::CaseInsensitive) == 0) cbbCampo_->setCurrentIndex(i);
}

}  // namespace cot
