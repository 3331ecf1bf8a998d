// The approval launch's own tables: the three line lists and the answers of its checks.
#include "approval/approval_checks.h"

#include "data/table_fields.h"

namespace cot {

using namespace table_fields;

void ApprovalChecks::defineTables() {
    const auto make = [](const char* name) { return std::make_unique<ClientTable>(QString::fromLatin1(name)); };
    cdsPtoAcesso_ = make("cdsPtoAcesso");
    cdsTipo_ = make("cdsTipo");
    cdsLProduto_ = make("cdsLProduto");
    cdsVdQtPtoAcesso_ = make("cdsVdQtPtoAcesso");
    cdsVerificaLinhaProd_ = make("cdsVerificaLinhaProd");
    cdsValidaContrato_ = make("cdsValidaContrato");
    cdsValida_ServicoLinhaProd_ = make("cdsValida_ServicoLinhaProd");
    for (ClientTable* lines : {cdsPtoAcesso_.get(), cdsTipo_.get(), cdsLProduto_.get()}) {
        text(*lines, "LINPPROP", "CDLINPPROPINFOR", QStringLiteral("Código"), false).editMask =
            QStringLiteral("9999999999;0; ");
        text(*lines, "LINPPROP", "NMLINPPROP", QStringLiteral("Linha de Produto"));
    }
    number(*cdsVdQtPtoAcesso_, "QTPTOACESSO");
    ClientTable& v = *cdsVerificaLinhaProd_;
    text(v, "LINPCLIE", "CDCLIENTE");
    text(v, "CLIENTE", "NMFANTCLIE");
    text(v, "LINPCLIE", "IDTIPLINPC");
    number(v, "NRUSUALINPC");
    text(v, "LINPCLIE", "IDAMBLINPC");
    text(v, "LINPCLIE", "IDLPROCLINPC");
    text(v, "LINPCLIE", "IDMPROCLINPC");
    text(v, "LINPCLIE", "CDSISTEMAS");
    number(v, "QTLINHAPROD");
    for (ClientTable* lines : {cdsPtoAcesso_.get(), cdsTipo_.get(), cdsLProduto_.get()}) lines->createDataSet();
}

}  // namespace cot
