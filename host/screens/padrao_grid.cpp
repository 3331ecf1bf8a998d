#include "padrao_grid.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "data/data_source.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/flow_layout.h"
#include "ui/lookup.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot {

TfrmPadraoGrid::TfrmPadraoGrid(const Options& options, QWidget* parent)
    : TForm<QMainWindow>(parent), msgMensagensPadroes(cot::msgMensagensPadroes()), screenCode_(options.screenCode) {
    setObjectName(QStringLiteral("frm") + (options.screenCode.isEmpty() ? QStringLiteral("PadraoGrid") : options.screenCode));
    setWindowTitle(options.caption);
    defaultCloseAction = CloseAction::caFree;
    if (!options.messagesPath.isEmpty()) msgPadrao.loadFromFile(options.messagesPath);

    dtsPadrao = new DataSource("dtsPadrao", this);

    // Menu.
    mnuMenu = new TMainMenu("mnuMenu", this);
    setMenuBar(mnuMenu->bar());
    mnuManutencao = mnuMenu->add("mnuManutencao", QStringLiteral("&Manutenção"));
    mnuIncluir = mnuManutencao->add("mnuIncluir", QStringLiteral("&Incluir"));
    mnuAlterar = mnuManutencao->add("mnuAlterar", QStringLiteral("&Alterar"));
    mnuExcluir = mnuManutencao->add("mnuExcluir", QStringLiteral("&Excluir"));
    mnuProcurar = mnuManutencao->add("mnuProcurar", QStringLiteral("&Procurar"));
    mnuVerificar = mnuManutencao->add("mnuVerificar", QStringLiteral("&Verificar"));
    mnuCancelar = mnuManutencao->add("mnuCancelar", QStringLiteral("&Cancelar"));
    mnuConfirmar = mnuManutencao->add("mnuConfirmar", QStringLiteral("C&onfirmar"));
    mnuIncluir->setShortcut(QStringLiteral("Ctrl+I"));
    mnuProcurar->setShortcut(QStringLiteral("F7"));
    mnuVerificar->setShortcut(QStringLiteral("F5"));

    // Toolbar.
    auto* central = new QWidget(this);
    central->setObjectName("panPrincipal");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    panBotoes = new TPanel("panBotoes", central);
    // The buttons wrap onto a second row rather than widen the window.
    auto* bar = new FlowLayout(panBotoes);
    bar->setContentsMargins(2, 2, 2, 2);
    const auto button = [&](const char* name, const QString& caption) {
        auto* b = new TSpeedButton(QString::fromLatin1(name), panBotoes, caption);
        b->setToolTip(caption);
        bar->addWidget(b);
        return b;
    };
    sbtIncluir = button("sbtIncluir", QStringLiteral("Incluir"));
    sbtAlterar = button("sbtAlterar", QStringLiteral("Alterar"));
    sbtExcluir = button("sbtExcluir", QStringLiteral("Excluir"));
    sbtProcurar = button("sbtProcurar", QStringLiteral("Procurar"));
    sbtVerificar = button("sbtVerificar", QStringLiteral("Verificar"));
    sbtCancelar = button("sbtCancelar", QStringLiteral("Cancelar"));
    sbtConfirmar = button("sbtConfirmar", QStringLiteral("Confirmar"));
    sbtImprimir = button("sbtImprimir", QStringLiteral("Imprimir"));
    sbtAjuda = button("sbtAjuda", QStringLiteral("Ajuda"));
    bar->addStretch();
    sbtFechar = button("sbtFechar", QStringLiteral("Fechar"));
    layout->addWidget(panBotoes);

    // Pages.
    pgcPadrao = new TPageControl("pgcPadrao", central);
    tshPadrao = new TTabSheet("tshPadrao", pgcPadrao, options.caption.isEmpty() ? QStringLiteral("Lista") : options.caption);
    auto* listLayout = new QVBoxLayout(tshPadrao);
    listLayout->setContentsMargins(0, 0, 0, 0);
    dbgPadrao = new TDBGrid("dbgPadrao", tshPadrao);
    dbgPadrao->setDataSource(dtsPadrao);
    listLayout->addWidget(dbgPadrao);
    formPage_ = new TTabSheet(options.formPageName, pgcPadrao, options.formPageCaption);
    pgcPadrao->setActivePage(tshPadrao);
    layout->addWidget(pgcPadrao, 1);
    setCentralWidget(central);

    lblNavegador = new QLabel(this);
    lblNavegador->setObjectName("lblNavegador");
    lblCodTela = new QLabel(options.screenCode, this);
    lblCodTela->setObjectName("lblCodTela");
    statusBar()->addWidget(lblNavegador, 1);
    statusBar()->addPermanentWidget(lblCodTela);

    // Handlers: menu entries and their buttons run the same virtual handler.
    const auto wire = [](TMenuItem* item, TSpeedButton* b, std::function<void()> handler) {
        item->onClick = handler;
        b->onClick = std::move(handler);
        b->mirror(item);
    };
    wire(mnuIncluir, sbtIncluir, [this] { sbtIncluirClick(); });
    wire(mnuAlterar, sbtAlterar, [this] { sbtAlterarClick(); });
    wire(mnuExcluir, sbtExcluir, [this] { sbtExcluirClick(); });
    wire(mnuProcurar, sbtProcurar, [this] { sbtProcurarClick(); });
    wire(mnuVerificar, sbtVerificar, [this] { sbtVerificarClick(); });
    wire(mnuCancelar, sbtCancelar, [this] { sbtCancelarClick(); });
    wire(mnuConfirmar, sbtConfirmar, [this] { sbtConfirmarClick(); });
    sbtImprimir->onClick = [this] { sbtImprimirClick(); };
    sbtAjuda->onClick = [this] { sbtAjudaClick(); };
    sbtFechar->onClick = [this] { sbtFecharClick(); };

    connect(dtsPadrao, &DataSource::stateChanged, this, [this] { runHandler([this] { dtsPadraoStateChange(); }); });
    connect(dtsPadrao, &DataSource::dataChanged, this, [this](Field* field) {
        // Rows appearing or disappearing change what may be altered or deleted.
        if (!field) runHandler([this] { dtsPadraoStateChange(); });
    });
    dtsPadraoStateChange();
    // Room for the list's columns and the toolbar on one row, as far as the screen allows
    // (the toolbar wraps on a smaller one).
    QSize size(1366, 720);
    if (const QScreen* shown = QGuiApplication::primaryScreen()) size = size.boundedTo(shown->availableSize());
    resize(size);
}

TfrmPadraoGrid::~TfrmPadraoGrid() {
    for (const auto& c : formConnections_) disconnect(c);
    for (const auto& c : navigatorConnections_) disconnect(c);
    // No handler of a half-destroyed screen may run while the source lets go of its table.
    disconnect(dtsPadrao, nullptr, this, nullptr);
    dtsPadrao->setDataSet(nullptr);
}

ClientTable* TfrmPadraoGrid::activeTable() const { return dtsPadrao->dataSet(); }

void TfrmPadraoGrid::setActiveTable(ClientTable* table) {
    if (dtsPadrao->dataSet() == table) {
        dtsPadraoStateChange();
        return;
    }
    dtsPadrao->setDataSet(table);  // emits stateChanged → dtsPadraoStateChange
}

bool TfrmPadraoGrid::editing() const { return editing(activeTable()); }

bool TfrmPadraoGrid::editing(const ClientTable* table) { return table && table->isEditing(); }

void TfrmPadraoGrid::setFormPanel(QWidget* panel, ClientTable* table) {
    for (const auto& c : formConnections_) disconnect(c);
    formConnections_.clear();
    formPanel_ = panel;
    formTable_ = table;
    if (table) {
        formConnections_ << connect(table, &ClientTable::stateChanged, this, [this] { updateFormPanel(); })
                         << connect(table, &QObject::destroyed, this, [this] { formTable_ = nullptr; });
    }
    updateFormPanel();
}

void TfrmPadraoGrid::updateFormPanel() {
    if (formPanel_) SetChildEnabled(formPanel_, editing(formTable_));
}

void TfrmPadraoGrid::setNavigatorCaption(ClientTable* table, const QString& fieldName) {
    for (const auto& c : navigatorConnections_) disconnect(c);
    navigatorConnections_.clear();
    navigatorTable_ = table;
    navigatorField_ = fieldName;
    if (table) {
        const auto update = [this] { updateNavigator(); };
        navigatorConnections_ << connect(table, &ClientTable::scrolled, this, update)
                              << connect(table, &ClientTable::dataSetChanged, this, update)
                              << connect(table, &ClientTable::recordChanged, this, update)
                              << connect(table, &QObject::destroyed, this, [this] { navigatorTable_ = nullptr; });
    }
    updateNavigator();
}

void TfrmPadraoGrid::updateNavigator() {
    QString text;
    if (navigatorTable_ && navigatorTable_->active() && !navigatorTable_->isEmpty())
        if (Field* f = navigatorTable_->findField(navigatorField_)) text = f->displayText();
    lblNavegador->setText(text);
}

void TfrmPadraoGrid::sbtIncluirClick() {
    if (ClientTable* table = activeTable(); table && table->active()) table->append();
}

void TfrmPadraoGrid::sbtAlterarClick() {
    if (ClientTable* table = activeTable(); table && table->active()) table->edit();
}

void TfrmPadraoGrid::sbtExcluirClick() {
    ClientTable* table = activeTable();
    if (!table || !table->active() || (table->isEmpty() && table->state() != DataSetState::Insert)) return;
    if (msgMensagensPadroes.ShowMsg(QStringLiteral("ConfExcl"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
        return;
    table->deleteRecord();
}

void TfrmPadraoGrid::sbtConfirmarClick() {
    if (ClientTable* table = activeTable(); editing(table)) table->post();
}

void TfrmPadraoGrid::sbtCancelarClick() {
    ClientTable* table = activeTable();
    if (!editing(table)) return;
    if (msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    table->cancel();
}

void TfrmPadraoGrid::sbtProcurarClick() {
    if (ClientTable* table = activeTable(); table && table->active()) Procurar::Procura(*table);
}

void TfrmPadraoGrid::sbtVerificarClick() { dtsPadrao->refreshLinks(); }

void TfrmPadraoGrid::sbtFecharClick() { Close(); }

void TfrmPadraoGrid::dtsPadraoStateChange() {
    ClientTable* table = activeTable();
    const bool open = table && table->active();
    const bool edit = editing(table);
    const bool rows = open && !table->isEmpty();
    mnuIncluir->setEnabled(open && !edit);
    mnuAlterar->setEnabled(rows && !edit);
    mnuExcluir->setEnabled(rows && !edit);
    mnuProcurar->setEnabled(rows && !edit);
    mnuVerificar->setEnabled(!edit);
    mnuCancelar->setEnabled(edit);
    mnuConfirmar->setEnabled(edit);
    updateFormPanel();
}

}  // namespace cot
