// The proposal table and the percentage parameters.
#include "proposal/screen/tables_proposal.h"

#include "data/table_fields.h"

namespace cot {

using namespace table_fields;

namespace {

void proposalFields(ClientTable& t) {
    const QString dateFormat = QStringLiteral("ddd ddddd");
    fixed(t, "IDSITUACAO", 1, QStringLiteral(" "));
    hiddenText(t, "IDSOLPROPFAS", 1).displayLabel = QStringLiteral("Tipo");
    text(t, "NRPROPOSFAS", 20, QStringLiteral("Proposta")).editMask = QStringLiteral("99999999999999999999;0; ");
    text(t, "DSREFEPROPOSFAS", 100, QStringLiteral("Referência"));
    hiddenText(t, "NRCONTATO", 40).displayLabel = QStringLiteral("Código do Contato");
    text(t, "NRVERPROPFAS", 2, QStringLiteral("Versão")).editMask = QStringLiteral("99;0; ");
    text(t, "NOME", 50, QStringLiteral("Nome do Contratante"));
    date(t, "DTPROPOSFAS", QStringLiteral("Data")).displayFormat = dateFormat;
    date(t, "DTACEPROPFAS", QStringLiteral("Aceite")).displayFormat = dateFormat;
    date(t, "DTVALPROPFAS", QStringLiteral("Validade")).displayFormat = dateFormat;
    text(t, "OPERSOLI", 40, QStringLiteral("Solicitante"));
    hiddenText(t, "CDOPERINCL", 12);
    hiddenText(t, "IDCLIENPROSP", 1);
    hiddenText(t, "CDPROSPECT", 21);
    hiddenText(t, "DSEMAIPROFAS", 50);
    hiddenText(t, "CDFILIAL", 4);
    hiddenText(t, "CDCLIENTE", 21);
    hiddenText(t, "NRFAXPROPFAS", 25).editMask = QStringLiteral("(99)0000-0000;0; ");
    hiddenText(t, "DSOBSPROPFAS", 250);
    hiddenText(t, "CDOPERADOR", 12);
    hiddenText(t, "NMOPERADOR", 40);
    hiddenText(t, "CDOPERSOLI", 12).displayLabel = QStringLiteral("Operador Solicitante");
    hiddenText(t, "DSREFECONT", 60);
    hiddenText(t, "IDTPIJURCLIE", 1);
    hiddenText(t, "IDTPIJURPROS", 1);
    hiddenText(t, "IDTPCONTATO", 1);
    hiddenText(t, "CDTPINDICE1", 1);
    hiddenText(t, "IDPERVALOR1", 1);
    hiddenText(t, "CDINDICE1", 4);
    number(t, "VRPEINCIND1", {}, false);
    hiddenText(t, "CDTPINDICE2", 1);
    hiddenText(t, "IDPERVALOR2", 1);
    hiddenText(t, "CDINDICE2", 4);
    hiddenText(t, "IDTPREAJPROP", 1);
    number(t, "VRPEINCIND2", {}, false);
    hiddenText(t, "NMINDICEREAJ1", 30);
    hiddenText(t, "NMINDICEREAJ2", 30);
    hiddenText(t, "CODIGO", 21);
    hiddenText(t, "NRINSJURCLIE", 20);
    hiddenText(t, "NRMESREAJPROP", 2);
    hiddenText(t, "NMOPERRESP", 60);
    hiddenText(t, "CDOPERRESP", 12);
    fixed(t, "ANEXO", 1, QStringLiteral("Anexo"), false);
    hiddenText(t, "PROPOSTAVERS", 25).displayLabel = QStringLiteral("Proposta");
    hiddenText(t, "IDTIPOPROPFAS", 1).displayLabel = QStringLiteral("Contrato");
    hiddenText(t, "DTINCLUSAO", 64);
    hiddenText(t, "CDINTECLIE", 2).displayLabel = QStringLiteral("Código");
    hiddenText(t, "CDINTEPROS", 2);
    hiddenText(t, "CODIGOINTER", 2).displayLabel = QStringLiteral("Código");
    hiddenText(t, "NMINTECLIE", 50).displayLabel = QStringLiteral("Nome");
    hiddenText(t, "PROPNOME", 73);
    hiddenText(t, "CDPROCOMERCI", 10);
    hiddenText(t, "NMPROCOMERCI", 50);
    hiddenText(t, "IDIDIOMA", 3);
    hiddenText(t, "NMRAZSOCPROS", 50);
    number(t, "VRPACOTESERV", {}, false);
    hiddenText(t, "IDTIPOCOBRSERV", 1);
    fixed(t, "IDDECCLIENTE", 1, QStringLiteral("Cliente"));
    text(t, "NMCONTATO", 60, QStringLiteral("Contato"));
    money(t, "VRTOTAL", QStringLiteral("Valor único"));
    money(t, "VRMENSAL", QStringLiteral("Mensal"));
}

}  // namespace

void defineProposalTables(ClientTable& proposal, ClientTable& paramPerc) {
    proposalFields(proposal);
    number(paramPerc, "VRTXJUROSLICUSO");
}

}  // namespace cot
