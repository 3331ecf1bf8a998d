#include "proposal/screen/cli_cot05000.h"

#include "proposal/screen/proposal_screen.h"

namespace cot::Cli_cot05000 {

bool boIdCriado = false;
bool boTestaPerc1 = false;
bool boLinProdVenc = false;
bool boServVenc = false;
bool boTestaEst = false;
bool boInclLinProd = false;
bool boIncluiProp = false;

QString stOper;
QString stTipoAnterior;
QString stOrdemMens;
QString stCdMens;

long double exVrTotaLinp = 0;
long double exVrServico = 0;

QPointer<TfrmPropostaComercial> frmPropostaComercial;

void initialization() {
    boIdCriado = false;
    boInclLinProd = false;
    boIncluiProp = false;
}

void finalization() {
    for (QString* s : {&stOper, &stTipoAnterior, &stOrdemMens, &stCdMens})
        s->clear();
}

}  // namespace cot::Cli_cot05000
