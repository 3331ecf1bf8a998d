#include "proposal/screen/list_bar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "data/client_table.h"
#include "dialogs/filter_reload.h"
#include "proposal/screen/proposal_screen.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/event_boundary.h"
#include "ui/page_control.h"

namespace cot {

namespace {

// Typing pauses this long before the list is asked again.
constexpr int kSearchPauseMs = 350;
// A client's decision shows in the list within this time.
constexpr int kDecisionIntervalMs = 30000;

}  // namespace

ProposalListBar::ProposalListBar(TfrmPropostaComercial& screen) : QWidget(screen.tshPadrao), screen_(screen) {
    setObjectName(QStringLiteral("panListaBarra"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 2);
    column->setSpacing(2);

    edtBusca = new QLineEdit(this);
    edtBusca->setObjectName(QStringLiteral("edtBusca"));
    edtBusca->setPlaceholderText(QStringLiteral("Buscar por cliente, referência, contato ou número (15/02)"));
    edtBusca->setClearButtonEnabled(true);
    column->addWidget(edtBusca);

    panFiltro = new QWidget(this);
    panFiltro->setObjectName(QStringLiteral("panFiltro"));
    panFiltro->setStyleSheet(QStringLiteral("#panFiltro { background: #fff4c2; }"));
    panFiltro->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(panFiltro);
    row->setContentsMargins(6, 2, 2, 2);
    lblFiltro = new QLabel(panFiltro);
    lblFiltro->setObjectName(QStringLiteral("lblFiltro"));
    lblFiltro->setWordWrap(true);
    btfLimparFiltro = new TButtonFlat(QStringLiteral("btfLimparFiltro"), panFiltro, QStringLiteral("Limpar filtro"));
    btfLimparFiltro->setToolTip(QStringLiteral("Volta a listar todas as propostas"));
    row->addWidget(lblFiltro, 1);
    row->addWidget(btfLimparFiltro);
    column->addWidget(panFiltro);

    // A new screen starts with nothing searched.
    Cli_cot05002::setListSearch(screen_, QString());

    searchPause_ = new QTimer(this);
    searchPause_->setSingleShot(true);
    searchPause_->setInterval(kSearchPauseMs);
    connect(edtBusca, &QLineEdit::textEdited, searchPause_, qOverload<>(&QTimer::start));
    // The clear button empties at once.
    connect(edtBusca, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty() && !Cli_cot05002::listSearch(screen_).isEmpty()) applySearch();
    });
    // A call still waited for on the screen's connection would refuse the search: it goes after it.
    connect(searchPause_, &QTimer::timeout, this, [this] {
        if (screen_.net().busy())
            searchPause_->start();
        else
            applySearch();
    });
    connect(edtBusca, &QLineEdit::returnPressed, this, [this] { applySearch(); });
    btfLimparFiltro->onClick = [this] {
        edtBusca->clear();
        Cli_cot05002::clearFilter(screen_);
        showFilter();
    };

    decisionTimer_ = new QTimer(this);
    decisionTimer_->setInterval(kDecisionIntervalMs);
    connect(decisionTimer_, &QTimer::timeout, this, [this] { checkDecisions(); });
    decisionTimer_->start();

    // Every reload of the list (filter, pipeline, approval...) brings the marker up to date;
    // the search waits while a proposal is typed in the list.
    ClientTable& list = screen_.proposal();
    connect(&list, &ClientTable::dataSetChanged, this, [this] { showFilter(); });
    connect(&list, &ClientTable::stateChanged, this,
            [this] { edtBusca->setEnabled(!TfrmPadraoGrid::editing(&screen_.proposal())); });
    showFilter();
}

void ProposalListBar::setDecisionInterval(int ms) { decisionTimer_->setInterval(ms); }

void ProposalListBar::showFilter() {
    const QStringList words = Cli_cot05002::activeFilterWords(screen_);
    panFiltro->setVisible(!words.isEmpty());
    lblFiltro->setText(QStringLiteral("Filtro: ") + words.join(QStringLiteral("; ")));
}

void ProposalListBar::applySearch() {
    searchPause_->stop();
    if (edtBusca->text().trimmed() == Cli_cot05002::listSearch(screen_)) return;
    if (TfrmPadraoGrid::editing(&screen_.proposal())) return;
    Cli_cot05002::setListSearch(screen_, edtBusca->text());
    runHandler([this] { reload(); });
}

void ProposalListBar::reload() {
    Cli_cot05002::Atualiza_Tela(screen_);
    if (screen_.proposal().isEmpty()) screen_.clearAreas();
}

bool ProposalListBar::listShownIdle() const {
    // A window over the screen (approval, sending...) works on the current row: not now.
    return screen_.isVisible() && !QApplication::activeModalWidget() &&
           screen_.pgcPadrao->activePage() == screen_.tshPadrao && !screen_.typing() && screen_.net().connected();
}

bool ProposalListBar::checkDecisions() {
    if (!listShownIdle()) return false;
    // A read that fails (the server away a moment) is tried again next time, silently: the
    // list keeps what it shows.
    const RpcResult latest = screen_.net().call(QStringLiteral("GetUltimaDecisao"), {Session::instance().branch()});
    if (!latest.ok) return false;
    const QString seen = latest.value.toString();
    const bool changed = !lastDecision_.isEmpty() && seen != lastDecision_;
    lastDecision_ = seen;
    if (!changed) return false;
    return runHandler([this] { reload(); });
}

}  // namespace cot
