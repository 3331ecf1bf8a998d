// The header panel panProp: its controls, their bindings, colours and items, and the
// enabling that follows the state of cdsProposta.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "proposal/area/bound_edit.h"
#include "proposal/area/proposal_model.h"
#include "proposal/header/header_controller.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "screens/padrao_grid.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/lookup_button.h"
#include "ui/page_control.h"

namespace cot {

namespace {

TDBComboBox* boundCombo(const char* name, QWidget* parent, DataSource* source, const char* field,
                        const QStringList& items) {
    auto* c = new TDBComboBox(QString::fromLatin1(name), parent);
    c->setDataSource(source);
    c->setDataField(QString::fromLatin1(field));
    c->setItems(items);
    c->setColor(ControlColor::InfoBk);
    return c;
}

// Code edit, its lookup button and the name beside them, in one cell.
QHBoxLayout* codeAndName(QWidget* code, QWidget* button, QWidget* name, int codeWidth) {
    auto* l = new QHBoxLayout;
    l->setSpacing(2);
    code->setFixedWidth(codeWidth);
    l->addWidget(code);
    if (button) l->addWidget(button);
    if (name) l->addWidget(name, 1);
    return l;
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

}  // namespace

void HeaderController::createPanel() {
    QWidget* p = host_.pages().panProp;
    DataSource* src = host_.proposalSource();
    const auto lookup = [p](const char* name, const QString& title, const QString& empty) {
        auto* b = new TBtnPesquisa(QString::fromLatin1(name), p, title, empty);
        return b;
    };

    dbcTipoProp = boundCombo("dbcTipoProp", p, src, "IDSOLPROPFAS", {msg("Solicitação"), msg("Proposta")});
    cbbCliProsp = boundCombo("cbbCliProsp", p, src, "IDCLIENPROSP", {msg("Cliente"), msg("Prospect")});
    dbeCdCliPros = boundEdit("dbeCdCliPros", p, src, "NRINSJURCLIE", ControlColor::InfoBk);
    btnPesqCliPros = lookup("btnPesqCliPros", QStringLiteral("Cliente/Prospect"),
                            QStringLiteral("Não há Cliente/Prospect cadastrado"));
    dbeNmCliPros = boundEdit("dbeNmCliPros", p, src, "NOME", ControlColor::BtnFace, true);
    dbeDsReferencia = boundEdit("dbeDsReferencia", p, src, "DSREFEPROPOSFAS", ControlColor::InfoBk);
    depCadastro = new TDBDateEditPlus(QStringLiteral("depCadastro"), p);
    depCadastro->setDataSource(src);
    depCadastro->setDataField(QStringLiteral("DTPROPOSFAS"));
    depCadastro->setColor(ControlColor::InfoBk);
    depValidade = new TDBDateEditPlus(QStringLiteral("depValidade"), p);
    depValidade->setDataSource(src);
    depValidade->setDataField(QStringLiteral("DTVALPROPFAS"));
    depValidade->setColor(ControlColor::InfoBk);
    dbeCdOperSoli = boundEdit("dbeCdOperSoli", p, src, "CDOPERSOLI", ControlColor::InfoBk);
    btnPesqOperSoli =
        lookup("btnPesqOperSoli", QStringLiteral("Solicitante"), QStringLiteral("Não há operador cadastrado"));
    dbeNmOperSoli = boundEdit("dbeNmOperSoli", p, src, "OPERSOLI", ControlColor::BtnFace, true);
    dbeContato = boundEdit("dbeContato", p, src, "NRCONTATO", ControlColor::BtnFace, true);
    btnPesqContato = lookup("btnPesqContato", QStringLiteral("Contato"), QStringLiteral("Não há contato cadastrado"));
    dbeNmContato = boundEdit("dbeNmContato", p, src, "DSREFECONT", ControlColor::BtnFace, true);
    dbeFax = boundEdit("dbeFax", p, src, "NRFAXPROPFAS", ControlColor::Window);
    dbeFax->setMaxLength(13);
    dbeEmail = boundEdit("dbeEmail", p, src, "DSEMAIPROFAS", ControlColor::Window);
    dbeCdInterLoc = boundEdit("dbeCdInterLoc", p, src, "CODIGOINTER", ControlColor::Window);
    btnPesqInterLoc =
        lookup("btnPesqInterLoc", QStringLiteral("Interlocutor"), QStringLiteral("Não há interlocutor cadastrado."));
    dbeNmInterLoc = boundEdit("dbeNmInterLoc", p, src, "NMINTECLIE", ControlColor::BtnFace, true);
    dbeCdOperResp = boundEdit("dbeCdOperResp", p, src, "CDOPERRESP", ControlColor::InfoBk);
    btnPesqOperResp =
        lookup("btnPesqOperResp", QStringLiteral("Responsável"), QStringLiteral("Não há operador cadastrado"));
    dbeNmOperResp = boundEdit("dbeNmOperResp", p, src, "NMOPERRESP", ControlColor::BtnFace, true);
    dbeCdProdComer = boundEdit("dbeCdProdComer", p, src, "CDPROCOMERCI", ControlColor::InfoBk);
    btnPesqProdComer = lookup("btnPesqProdComer", QStringLiteral("Produto Comercial"),
                              QStringLiteral("Não há Produto Comercial cadastrado."));
    dbeNmProdComer = boundEdit("dbeNmProdComer", p, src, "NMPROCOMERCI", ControlColor::BtnFace, true);
    btnPesqInterLoc->codeField = QStringLiteral("CDINTECLIE");
    btnPesqInterLoc->nameField = QStringLiteral("NMINTECLIE");
    btnPesqOperResp->codeField = QStringLiteral("CDOPERADOR");
    btnPesqOperResp->nameField = QStringLiteral("NMOPERADOR");
    btnPesqProdComer->codeField = QStringLiteral("CDPROCOMERCI");
    btnPesqProdComer->nameField = QStringLiteral("NMPROCOMERCI");
    grbReajuste = new TGroupBox(QStringLiteral("grbReajuste"), p, QStringLiteral("Reajuste"));

    auto* g = new QGridLayout;
    g->setContentsMargins(2, 2, 2, 2);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(3);
    int r = 0;
    g->addWidget(caption(QStringLiteral("Tipo"), p), r, 0);
    g->addWidget(dbcTipoProp, r, 1);
    g->addWidget(caption(QStringLiteral("Contratante"), p), r, 2);
    auto* party = new QHBoxLayout;
    party->setSpacing(4);
    cbbCliProsp->setFixedWidth(100);
    party->addWidget(cbbCliProsp);
    party->addLayout(codeAndName(dbeCdCliPros, btnPesqCliPros, dbeNmCliPros, 140), 1);
    g->addLayout(party, r, 3, 1, 3);
    ++r;
    g->addWidget(caption(QStringLiteral("Referência"), p), r, 0);
    g->addWidget(dbeDsReferencia, r, 1, 1, 3);
    g->addWidget(caption(QStringLiteral("Cadastro"), p), r, 4);
    auto* dates = new QHBoxLayout;
    depCadastro->setFixedWidth(96);
    depValidade->setFixedWidth(96);
    dates->addWidget(depCadastro);
    dates->addWidget(caption(QStringLiteral("Validade"), p));
    dates->addWidget(depValidade);
    dates->addStretch();
    g->addLayout(dates, r, 5);
    ++r;
    g->addWidget(caption(QStringLiteral("Solicitante"), p), r, 0);
    g->addLayout(codeAndName(dbeCdOperSoli, btnPesqOperSoli, dbeNmOperSoli, 90), r, 1);
    g->addWidget(caption(QStringLiteral("Contato"), p), r, 2);
    g->addLayout(codeAndName(dbeContato, btnPesqContato, dbeNmContato, 90), r, 3);
    g->addWidget(caption(QStringLiteral("Interlocutor"), p), r, 4);
    g->addLayout(codeAndName(dbeCdInterLoc, btnPesqInterLoc, dbeNmInterLoc, 40), r, 5);
    ++r;
    g->addWidget(caption(QStringLiteral("Responsável"), p), r, 0);
    g->addLayout(codeAndName(dbeCdOperResp, btnPesqOperResp, dbeNmOperResp, 90), r, 1);
    g->addWidget(caption(QStringLiteral("Fax"), p), r, 2);
    auto* contact = new QHBoxLayout;
    dbeFax->setFixedWidth(110);
    contact->addWidget(dbeFax);
    contact->addWidget(caption(QStringLiteral("E-mail"), p));
    contact->addWidget(dbeEmail, 1);
    g->addLayout(contact, r, 3);
    g->addWidget(caption(QStringLiteral("Produto Comercial"), p), r, 4);
    g->addLayout(codeAndName(dbeCdProdComer, btnPesqProdComer, dbeNmProdComer, 80), r, 5);
    ++r;
    g->addWidget(grbReajuste, r, 0, 1, 6);
    g->setColumnStretch(1, 3);
    g->setColumnStretch(3, 3);
    g->setColumnStretch(5, 3);
    if (auto* column = qobject_cast<QVBoxLayout*>(p->layout())) column->addLayout(g);
    readjustment().layInto(*grbReajuste);

    setHeaderEnabled();
}

void HeaderController::createContract() {
    QWidget* panProp = host_.pages().panProp;
    grbContrato = new TGroupBox(QStringLiteral("grbContrato"), panProp, QStringLiteral("Contrato"));
    auto* contract = new QHBoxLayout(grbContrato);
    contract->setContentsMargins(4, 4, 4, 4);
    rbtLuManut = new TRadioButton(QStringLiteral("rbtLuManut"), grbContrato, QStringLiteral("LU/Manutenção"));
    rbtLocacao = new TRadioButton(QStringLiteral("rbtLocacao"), grbContrato, QStringLiteral("Locação"));
    rbtServico = new TRadioButton(QStringLiteral("rbtServico"), grbContrato, QStringLiteral("Serviço"));
    contract->addWidget(rbtLuManut);
    contract->addWidget(rbtLocacao);
    contract->addWidget(rbtServico);
    // A radio turned on, by the user or by code, is the contract chosen.
    for (TRadioButton* r : {rbtLuManut, rbtLocacao, rbtServico}) {
        const QString code = r == rbtLuManut ? QStringLiteral("M") : r == rbtLocacao ? QStringLiteral("L") : QStringLiteral("S");
        r->onClick = [this, code] { host_.model().chosen(code); };
    }
    markConnection_ = QObject::connect(&host_.model(), &ProposalModel::markAsked, grbContrato,
                                       [this](const QString& code) { markContract(code); });
    dbeVersao = new TDBEdit(QStringLiteral("dbeVersao"), panProp);
    dbeVersao->setDataSource(host_.proposalSource());
    dbeVersao->setDataField(QStringLiteral("NRVERPROPFAS"));
    dbeVersao->setColor(ControlColor::InfoBk);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(new QLabel(QStringLiteral("Versão"), panProp));
    versionRow->addWidget(dbeVersao);
    versionRow->addWidget(grbContrato, 1);
    if (auto* column = qobject_cast<QVBoxLayout*>(panProp->layout())) column->addLayout(versionRow);
}

TRadioButton* HeaderController::contractRadio(const QString& code) const {
    if (code == QLatin1String("M")) return rbtLuManut;
    if (code == QLatin1String("L")) return rbtLocacao;
    if (code == QLatin1String("S")) return rbtServico;
    return nullptr;
}

void HeaderController::markContract(const QString& code) {
    if (TRadioButton* r = contractRadio(code)) r->setChecked(true);
}

void HeaderController::focusContract(const QString& code) const { focus(contractRadio(code)); }

void HeaderController::setHeaderEnabled() {
    // The header is typed only while the proposal is edited or inserted; the contract
    // buttons stay usable (their clicks switch the contract).
    const bool on = TfrmPadraoGrid::editing(cdsProposta_);
    for (QWidget* w : host_.pages().panProp->findChildren<QWidget*>()) {
        if (w == grbContrato || grbContrato->isAncestorOf(w)) continue;
        if (dynamic_cast<Control*>(w) && !dynamic_cast<TGroupBox*>(w)) w->setEnabled(on);
    }
}

void HeaderController::showFormPage() {
    if (host_.pages().pgcPadrao->activePage() != host_.pages().tshProposta) host_.pages().pgcPadrao->setActivePage(host_.pages().tshProposta);
}

void HeaderController::focusReadjustmentMonth() {
    showFormPage();
    readjustment().focusMonth();
}

void HeaderController::focusResponsible() {
    showFormPage();
    focus(dbeCdOperResp);
}

void HeaderController::setChildPagesEnabled(bool on) {
    if (TTabSheet* page = host_.pages().pgcDados->activePage()) page->setEnabled(on);
    if (TTabSheet* page = host_.pages().pgcDadosCont->activePage()) page->setEnabled(on);
}

void HeaderController::showChildPagesOfContract() {
    if (!host_.model().serviceOnly()) {
        host_.pages().pgcDados->setActivePage(host_.pages().tshDados);
        host_.pages().pgcDadosCont->setActivePage(host_.pages().tshDadosCont);
    } else {
        host_.pages().pgcDados->setActivePage(host_.pages().tshServico);
    }
}

}  // namespace cot
