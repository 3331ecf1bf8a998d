#pragma once
#include <QPointer>
#include <QString>

namespace cot {

class TfrmPropostaComercial;

// Unit-level state of the proposal screen, shared by its areas and by the dialogs that
// work on the single screen instance.
namespace Cli_cot05000 {

extern bool boIdCriado;     // the proposal screen exists
extern bool boTestaPerc1;   // index-2 checks ask for the percentage of index 1
extern bool boLinProdVenc;  // the posted product line needs its first installment
extern bool boServVenc;     // the posted service needs its package installment
extern bool boTestaEst;     // client/prospect situation already tested in this edit
extern bool boInclLinProd;  // the product line being posted is new
extern bool boIncluiProp;   // the proposal being posted is new

extern QString stOper;            // "S": operator sees every proposal of the branch; "N": only his own
extern QString stTipoAnterior;    // product-line type before the last type click
extern QString stOrdemMens;       // order of the text row before its edit
extern QString stCdMens;          // code of the text row before its edit

extern long double exVrTotaLinp;  // product-line total before the post
extern long double exVrServico;   // service value before the post

// The screen, while it exists (cleared automatically when it is destroyed).
extern QPointer<TfrmPropostaComercial> frmPropostaComercial;

// Package load: the flags as the unit starts them.
void initialization();
// Package unload: releases the unit's strings.
void finalization();

}  // namespace Cli_cot05000
}  // namespace cot
