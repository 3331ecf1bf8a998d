#pragma once
#include <QString>

namespace cot {

// Edit flags of the proposal screen's areas, shared between them.
namespace Cli_cot05000 {

extern bool boLinProdVenc;  // the posted product line needs its first installment
extern bool boTestaEst;     // client/prospect situation already tested in this edit
extern bool boInclLinProd;  // the product line being posted is new

extern QString stTipoAnterior;    // product-line type before the last type click

extern long double exVrTotaLinp;  // product-line total before the post

// Package load: no line nor proposal being inserted.
void initialization();
// Package unload: releases the flags' strings.
void finalization();

}  // namespace Cli_cot05000
}  // namespace cot
