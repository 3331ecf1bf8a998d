#include "proposal/screen/cli_cot05000.h"

namespace cot::Cli_cot05000 {

bool boTestaPerc1 = false;
bool boLinProdVenc = false;
bool boServVenc = false;
bool boTestaEst = false;
bool boInclLinProd = false;
bool boIncluiProp = false;

QString stTipoAnterior;
QString stOrdemMens;
QString stCdMens;

long double exVrTotaLinp = 0;
long double exVrServico = 0;

void initialization() {
    boInclLinProd = false;
    boIncluiProp = false;
}

void finalization() {
    for (QString* s : {&stTipoAnterior, &stOrdemMens, &stCdMens})
        s->clear();
}

}  // namespace cot::Cli_cot05000
