#include "proposal/services/services_area.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/services/service_tables.h"
#include "ui/containers.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

using namespace layout;

ServicesArea::ServicesArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsServico = area_support::table(&s_, "cdsServico");
    cdsServicoAux = area_support::table(&s_, "cdsServicoAux");
    cdsTipoServObr = area_support::table(&s_, "cdsTipoServObr");
    service_tables::serviceFields(*cdsServico, true);
    service_tables::serviceFields(*cdsServicoAux, false);
    service_tables::mandatoryServiceFields(*cdsTipoServObr);
    dtsServico = area_support::source(&s_, "dtsServico", cdsServico);
}

QList<QWidget*> ServicesArea::controls() const { return {dbgServico, grbTipoCobranca}; }

void ServicesArea::build() {
    cdsServico->createDataSet();
    cdsTipoServObr->createDataSet();
    TTabSheet* page = s_.pages().tshServicoPrincipal;
    column(page, 0);
    scrServico = new TScrollBox(QStringLiteral("scrServico"), page);
    scrServico->setWidgetResizable(true);
    page->layout()->addWidget(scrServico);
    auto* content = new QWidget;
    scrServico->setWidget(content);
    auto* main = column(content, 0);
    panServicoControle = new TPanel(QStringLiteral("panServicoControle"), content);
    main->addWidget(panServicoControle, 2);
    column(panServicoControle, 0);
    dbgServico = grid("dbgServico", panServicoControle, dtsServico, true);
    dbgServico->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete);
    dbgServico->addColumn(QStringLiteral("CDTIPOSERV"));
    dbgServico->addColumn(QStringLiteral("NMTIPOSERV"));
    dbgServico->addColumn(QStringLiteral("DSLOCALPROP"));
    for (const char* f : {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP", "VRPEHORAPROP"})
        dbgServico->addColumn(QString::fromLatin1(f))->alignment = Qt::AlignRight;

    auto* bottom = new QWidget(content);
    bottom->setMinimumHeight(190);
    bottom_ = row(bottom, 0);
    main->addWidget(bottom, 1);
    auto* charging = new QWidget(bottom);
    auto* chargingColumn = column(charging, 0);
    bottom_->addWidget(charging);
    grbTipoCobranca = new TGroupBox(QStringLiteral("grbTipoCobranca"), charging, QStringLiteral("Tipo de Cobrança"));
    auto* kinds = row(grbTipoCobranca, 4);
    rbtValorPacote = new TRadioButton(QStringLiteral("rbtValorPacote"), grbTipoCobranca, QStringLiteral("Valor do Pacote"));
    rbtValorHora = new TRadioButton(QStringLiteral("rbtValorHora"), grbTipoCobranca, QStringLiteral("Valor Hora"));
    kinds->addWidget(rbtValorPacote);
    kinds->addWidget(rbtValorHora);
    chargingColumn->addWidget(grbTipoCobranca);
    grbPacote = new TGroupBox(QStringLiteral("grbPacote"), charging, QStringLiteral("Pacote"));
    auto* pack = row(grbPacote, 4);
    dbeVrPacote = edit("dbeVrPacote", grbPacote, dtsServico, "VRPACOTESERV");
    dbeVrPacote->setReadOnly(true);
    dbeVrPacote->setColor(ControlColor::BtnFace);
    pack->addWidget(new QLabel(QStringLiteral("Valor do Pacote"), grbPacote));
    pack->addWidget(dbeVrPacote);
    chargingColumn->addWidget(grbPacote);
}

void ServicesArea::route() {
    const ProposalPages& p = s_.pages();
    for (Control* c : {static_cast<Control*>(p.tshServico), static_cast<Control*>(p.tshServicoPrincipal),
                       static_cast<Control*>(dbgServico), static_cast<Control*>(grbPacote),
                       static_cast<Control*>(panServicoControle), static_cast<Control*>(scrServico)})
        c->onEnter = [this] { s_.setActiveTable(cdsServico); };
}

bool ServicesArea::shown() const {
    const ProposalPages& p = s_.pages();
    return s_.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshServico;
}

void ServicesArea::load(const ProposalKey& key) {
    if (shown()) cdsServico->setData(s_.net().getPacket(QStringLiteral("GetServico"), {key.nr, key.ver}));
}

void ServicesArea::pageShown() {
    if (!shown() || s_.pages().pgcServicoGeral->activePage() != s_.pages().tshServicoPrincipal) return;
    s_.setActiveTable(cdsServico);
    if (!s_.hasFocus(dbgServico) && dbgServico->canFocus()) dbgServico->setFocus();
}

}  // namespace cot
