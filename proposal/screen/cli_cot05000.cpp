#include "proposal/screen/cli_cot05000.h"

namespace cot::Cli_cot05000 {

bool boLinProdVenc = false;
bool boTestaEst = false;
bool boInclLinProd = false;

QString stTipoAnterior;

long double exVrTotaLinp = 0;

void initialization() {
    boInclLinProd = false;
}

void finalization() {
    stTipoAnterior.clear();
}

}  // namespace cot::Cli_cot05000
