// Loading the proposal under the cursor: only the child tables the shown page needs.
#include "data/client_dataset.h"
#include "proposal/product_line_controller.h"
#include "proposal/proposal_screen.h"
#include "proposal/services_controller.h"
#include "services/clock.h"
#include "ui/date_edit.h"
#include "ui/db_edit.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

namespace {

// The current row's value of a field, "" when the table is closed or empty.
QString currentText(const ClientDataSet& t, const QString& field) {
    if (!t.active() || t.isEmpty()) return {};
    return t[field].asString();
}

}  // namespace

void TfrmPropostaComercial::cdsPropostaAfterScroll() {
    const QString nr = NR();
    const QString ver = VER();
    TTabSheet* page = pgcPadrao->activePage();

    // 1. Product lines (and, on the line form, the current line's schedule and systems).
    if (page == tshProposta && pgcDados->activePage() == tshDados) {
        const QString line = currentText(*cdsLinProd, QStringLiteral("CDLINPPROPINFOR"));
        cdsLinProd->setData(netProposta.getPacket(QStringLiteral("GetLinProd"), {nr, ver}));
        if (!line.isEmpty()) cdsLinProd->locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
        if (!cdsLinProd->isEmpty() && pgcDadosCont->activePage() == tshFormulario) {
            const QString key = (*cdsLinProd)["CDLINPPROP"].asString();
            cdsVenc_Valor->setData(netProposta.getPacket(QStringLiteral("GetVenc_Valor"), {nr, ver, key, 1}));
            cdsSistLinhaProd->setData(netProposta.getPacket(QStringLiteral("GetSistLinhaProd"), {nr, ver, key}));
            const int installments = cdsVenc_Valor->recordCount();
            nedParcelas->setValue(installments);
            cdsVenc_Valor->first();
            depDataVenc->setDate(installments > 0 ? (*cdsVenc_Valor)["DTVELUSOPEDP"].asDateTime().date() : QDate());
            // Schedule total: licence total, plus interest beyond three installments.
            const long double l = static_cast<long double>((*cdsLinProd)["VRLICENCUSOPROP"].asFloat()) -
                                  (*cdsLinProd)["VRDESLICUSOPROP"].asFloat();
            const long double lq = l * (*cdsLinProd)["QTMINIMAFATPROP"].asFloat();
            const long double j =
                cdsParamPerc->active() && !cdsParamPerc->isEmpty() ? (*cdsParamPerc)["VRTXJUROSLICUSO"].asFloat() : 0;
            nedVrTotal->setValue(static_cast<double>(installments <= 3 ? lq : lq + lq * j / 100));
        }
    }
    // 2. Simulations, keeping the current one.
    if (page == tshSimulaLinp) {
        const QString simulation = currentText(*cdsSimulacao, QStringLiteral("NRSIMULAPROP"));
        cdsSimulacao->setData(netProposta.getPacket(QStringLiteral("GetSimulacao"), {nr, ver}));
        cdsSimulacao->locate(QStringLiteral("NRSIMULAPROP"), simulation, loCaseInsensitive);
        cdsProdSimulaLinp->setData(netProposta.getPacket(
            QStringLiteral("GetProdSimulaLinp"), {nr, ver, currentText(*cdsSimulacao, QStringLiteral("NRSIMULAPROP"))}));
    }
    // 3. Texts, keeping the current one.
    if (page == tshTexto) {
        const QString code = currentText(*cdsMensagem, QStringLiteral("CDTXTPROPFAS"));
        const QVariant order = cdsMensagem->active() && !cdsMensagem->isEmpty() ? (*cdsMensagem)["NRORDEMMSG"].value()
                                                                                 : QVariant();
        cdsMensagem->setData(netProposta.getPacket(QStringLiteral("GetMensagem"), {nr, ver}));
        if (!code.isEmpty())
            cdsMensagem->locate(QStringLiteral("CDTXTPROPFAS;NRORDEMMSG"), {code, order}, loCaseInsensitive);
    }
    // 4. Services and, for package charging, the package installments.
    if (page == tshProposta && pgcDados->activePage() == tshServico) {
        cdsServico->setData(netProposta.getPacket(QStringLiteral("GetServico"), {nr, ver}));
        if ((*cdsProposta)["IDTIPOCOBRSERV"].asString() == QLatin1String("P")) {
            cdsVencServ->setData(netProposta.getPacket(QStringLiteral("GetVenc_Valor"), {nr, ver, QString(), 2}));
            nedParcPacote->setValue(cdsVencServ->recordCount());
            cdsVencServ->first();
            depDtVencPacote->setDate(cdsVencServ->isEmpty() ? Clock::current().today()
                                                            : (*cdsVencServ)["DTVENCSERVPROP"].asDateTime().date());
            services->Atualiza_Total_Servico();
        }
    }
    // 5. Observation.
    if (page == tshObs) cdsObs->setData(netProposta.getPacket(QStringLiteral("GetObs"), {nr, ver}));

    // 6. The line code can be typed only while the proposal is not accepted.
    const bool accepted = cdsProposta->active() && !cdsProposta->isEmpty() && !(*cdsProposta)["DTACEPROPFAS"].isNull();
    dbeCdLinProd->setColor(accepted ? ControlColor::BtnFace : ControlColor::InfoBk);
    productLine->Controla_Faturamento();

    // 7. A service-only proposal has no product-line page nor simulation.
    if (servicoSomente()) {
        if (pgcDados->activePage() == tshDados) pgcDados->setActivePage(tshServico);
        if (pgcServicoGeral->activePage() == tshObjServico)
            cdsObjServico->setData(netProposta.getPacket(QStringLiteral("GetObjServico"), {nr, ver}));
        if (pgcPadrao->activePage() == tshSimulaLinp) pgcPadrao->setActivePage(tshProposta);
    } else if (pgcDados->activePage() == tshServico && pgcServicoGeral->activePage() == tshObjServico) {
        pgcServicoGeral->setActivePage(tshServicoPrincipal);
    }
    // 8.
    dtsPadraoStateChange();
}

}  // namespace cot
