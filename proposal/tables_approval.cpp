// Collection and answer tables of the approval checks.
#include "proposal/table_fields.h"

namespace cot {

using namespace table_fields;

void defineApprovalTables(std::initializer_list<ClientTable*> lineLists, ClientTable& vdQtPtoAcesso,
                          ClientTable& verificaLinhaProd) {
    for (ClientTable* lines : lineLists) {
        text(*lines, "CDLINPPROPINFOR", 10, QStringLiteral("Código"), false).editMask = QStringLiteral("9999999999;0; ");
        text(*lines, "NMLINPPROP", 50, QStringLiteral("Linha de Produto"));
    }
    number(vdQtPtoAcesso, "QTPTOACESSO");
    ClientTable& v = verificaLinhaProd;
    text(v, "CDCLIENTE", 21);
    text(v, "NMFANTCLIE", 50);
    text(v, "IDTIPLINPC", 1);
    number(v, "NRUSUALINPC");
    text(v, "IDAMBLINPC", 3);
    text(v, "IDLPROCLINPC", 1);
    text(v, "IDMPROCLINPC", 1);
    text(v, "CDSISTEMAS", 449);
    number(v, "QTLINHAPROD");
}

}  // namespace cot
