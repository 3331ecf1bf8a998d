// The proposal table and the percentage parameters.
#include "proposal/screen/tables_proposal.h"

#include "data/table_fields.h"

namespace cot {

using namespace table_fields;

namespace {

void proposalFields(ClientTable& t) {
    const QString dateFormat = QStringLiteral("ddd ddddd");
    fixed(t, "IDSITUACAO", 1, QStringLiteral(" "));
    hiddenText(t, "PROPOSTAFAS", "IDSOLPROPFAS").displayLabel = QStringLiteral("Tipo");
    text(t, "PROPOSTAFAS", "NRPROPOSFAS", QStringLiteral("Proposta")).editMask =
        QStringLiteral("99999999999999999999;0; ");
    text(t, "PROPOSTAFAS", "DSREFEPROPOSFAS", QStringLiteral("Referência"));
    hiddenText(t, "PROPOSTAFAS", "NRCONTATO").displayLabel = QStringLiteral("Código do Contato");
    text(t, "PROPOSTAFAS", "NRVERPROPFAS", QStringLiteral("Versão")).editMask = QStringLiteral("99;0; ");
    text(t, "NOME", 50, QStringLiteral("Nome do Contratante"));
    date(t, "DTPROPOSFAS", QStringLiteral("Data")).displayFormat = dateFormat;
    date(t, "DTACEPROPFAS", QStringLiteral("Aceite")).displayFormat = dateFormat;
    date(t, "DTVALPROPFAS", QStringLiteral("Validade")).displayFormat = dateFormat;
    text(t, "OPERSOLI", 40, QStringLiteral("Solicitante"));
    hiddenText(t, "PROPOSTAFAS", "CDOPERINCL");
    hiddenText(t, "PROPOSTAFAS", "IDCLIENPROSP");
    hiddenText(t, "PROPOSTAFAS", "CDPROSPECT");
    hiddenText(t, "PROPOSTAFAS", "DSEMAIPROFAS");
    hiddenText(t, "PROPOSTAFAS", "CDFILIAL");
    hiddenText(t, "PROPOSTAFAS", "CDCLIENTE");
    hiddenText(t, "PROPOSTAFAS", "NRFAXPROPFAS").editMask = QStringLiteral("(99)0000-0000;0; ");
    hiddenText(t, "PROPOSTAFAS", "DSOBSPROPFAS");
    hiddenText(t, "OPERADOR", "CDOPERADOR");
    hiddenText(t, "OPERADOR", "NMOPERADOR");
    hiddenText(t, "PROPOSTAFAS", "CDOPERSOLI").displayLabel = QStringLiteral("Operador Solicitante");
    hiddenText(t, "PROPOSTAFAS", "DSREFECONT");
    hiddenText(t, "CLIENTE", "IDTPIJURCLIE");
    hiddenText(t, "PROSPECT", "IDTPIJURPROS");
    hiddenText(t, "CONTATO", "IDTPCONTATO");
    hiddenText(t, "PROPOSTAFAS", "CDTPINDICE1");
    hiddenText(t, "PROPOSTAFAS", "IDPERVALOR1");
    hiddenText(t, "PROPOSTAFAS", "CDINDICE1");
    number(t, "VRPEINCIND1", {}, false);
    hiddenText(t, "PROPOSTAFAS", "CDTPINDICE2");
    hiddenText(t, "PROPOSTAFAS", "IDPERVALOR2");
    hiddenText(t, "PROPOSTAFAS", "CDINDICE2");
    hiddenText(t, "PROPOSTAFAS", "IDTPREAJPROP");
    number(t, "VRPEINCIND2", {}, false);
    hiddenText(t, "NMINDICEREAJ1", 30);
    hiddenText(t, "NMINDICEREAJ2", 30);
    hiddenText(t, "CODIGO", 21);
    hiddenText(t, "CLIENTE", "NRINSJURCLIE");
    hiddenText(t, "PROPOSTAFAS", "NRMESREAJPROP");
    hiddenText(t, "NMOPERRESP", 60);
    hiddenText(t, "PROPOSTAFAS", "CDOPERRESP");
    fixed(t, "ANEXO", 1, QStringLiteral("Anexo"), false);
    hiddenText(t, "PROPOSTAVERS", 25).displayLabel = QStringLiteral("Proposta");
    hiddenText(t, "PROPOSTAFAS", "IDTIPOPROPFAS").displayLabel = QStringLiteral("Contrato");
    hiddenText(t, "PROPOSTAFAS", "DTINCLUSAO");
    hiddenText(t, "PROPOSTAFAS", "CDINTECLIE").displayLabel = QStringLiteral("Código");
    hiddenText(t, "PROPOSTAFAS", "CDINTEPROS");
    hiddenText(t, "CODIGOINTER", 2).displayLabel = QStringLiteral("Código");
    hiddenText(t, "INTECLIE", "NMINTECLIE").displayLabel = QStringLiteral("Nome");
    hiddenText(t, "PROPNOME", 73);
    hiddenText(t, "PROPOSTAFAS", "CDPROCOMERCI");
    hiddenText(t, "PRODCOMERCI", "NMPROCOMERCI");
    hiddenText(t, "PROPOSTAFAS", "IDIDIOMA");
    hiddenText(t, "PROSPECT", "NMRAZSOCPROS");
    number(t, "VRPACOTESERV", {}, false);
    hiddenText(t, "PROPOSTAFAS", "IDTIPOCOBRSERV");
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
