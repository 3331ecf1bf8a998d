// The approval launch against the customer's contract: lines and services it already has.
#include "approval/approval_checks.h"

#include "data/client_table.h"
#include "reach/proposal_reach.h"

namespace cot {

void ApprovalChecks::Vd_Contrato(bool) {
    ClientTable& t = lines();
    for (int row = 0; row < t.rowCount(); ++row) {
        QString line;
        t.withRow(row, [&] { line = t[QStringLiteral("CDLINPPROP")].asString(); });
        cdsValidaContrato_->setData(s_.net().getPacket(QStringLiteral("ValidaContrato"), {line, codigo_}));
        if (cdsValidaContrato_->isEmpty()) continue;
        t.setRecNo(row + 1);
        s_.focusLineCode();
        fail(QStringLiteral("CDCONTRATO"));
    }
}

void ApprovalChecks::Vd_ValidaServico(bool) {
    reloadServices();
    ClientTable& t = services();
    for (int row = 0; row < t.rowCount(); ++row) {
        QString type;
        t.withRow(row, [&] { type = t[QStringLiteral("CDTIPOSERV")].asString(); });
        cdsValida_ServicoLinhaProd_->setData(s_.net().getPacket(QStringLiteral("Valida_Servico_LinhaProd"),
                                                                {codigo_, type, key_.nr, key_.ver}));
        if (cdsValida_ServicoLinhaProd_->isEmpty()) continue;
        t.setRecNo(row + 1);
        s_.focusServiceColumn(QStringLiteral("NMTIPOSERV"));
        fail(QStringLiteral("Servico_Contrato"));
    }
}

}  // namespace cot
