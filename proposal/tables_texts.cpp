// Proposal texts and the observation.
#include "proposal/proposal_screen.h"
#include "proposal/table_fields.h"

namespace cot {

using namespace table_fields;

void defineTextTables(TfrmPropostaComercial& s) {
    ClientDataSet& m = *s.cdsMensagem;
    hiddenText(m, "NRPROPOSFAS", 20);
    hiddenText(m, "NRVERPROPFAS", 2);
    text(m, "CDTXTPROPFAS", 20, QStringLiteral("Mensagem"));
    memo(m, "TXPROPFAS", {}, false);
    number(m, "NRORDEMMSG", QStringLiteral("Ordem"));

    text(*s.cdsPesqMsg, "CDPADTXT", 20, QStringLiteral("Código"));
    memo(*s.cdsPesqMsg, "TXPADTXT", {}, false);
    for (ClientDataSet* answer : {s.cdsValidaMsg, s.cdsValidaOrdem}) {
        text(*answer, "NRPROPOSFAS", 20);
        text(*answer, "NRVERPROPFAS", 2);
        text(*answer, "CDTXTPROPFAS", 20);
    }
    memo(*s.cdsValidaMsg, "TXPROPFAS");

    text(*s.cdsObs, "NRPROPOSFAS", 20);
    text(*s.cdsObs, "NRVERPROPFAS", 2);
    memo(*s.cdsObs, "TXOBSPROPFAS");
}

}  // namespace cot
