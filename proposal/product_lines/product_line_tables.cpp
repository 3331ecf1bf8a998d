// Product lines, their systems and their installment schedules.
#include "proposal/product_lines/product_line_tables.h"

#include "data/table_fields.h"

namespace cot::product_line_tables {

using namespace table_fields;


void productLineFields(ClientTable& t) {
    text(t, "NRPROPOSFAS", 20);
    text(t, "NRVERPROPFAS", 2);
    text(t, "CDLINPPROP", 20);
    text(t, "CDLINPPROPINFOR", 10, QStringLiteral("Código")).editMask = QStringLiteral("9999999999;0; ");
    text(t, "NMLINPPROP", 50, QStringLiteral("Linha de Produto"));
    number(t, "NRUSUALINPP", QStringLiteral("Usuários")).alignment = FieldAlignment::Right;
    text(t, "IDTIPLINPP", 1, QStringLiteral("Tipo"));
    number(t, "QTMINIMAFATPROP", QStringLiteral("Qtde.Licenças")).alignment = FieldAlignment::Right;
    money(t, "VRLICENCUSOPROP");
    money(t, "VRMENSALIDAPROP");
    money(t, "VRDESLICUSOPROP");
    money(t, "VRDESMENSALPROP");
    text(t, "IDMPROCLINPP", 1);
    text(t, "IDLPROCLINPP", 1);
    date(t, "DTCALUSLINPP");
    text(t, "IDAMBLINPP", 3, QStringLiteral("Plataforma"));
    text(t, "IDTIPOPROPFAS", 1, QStringLiteral("Contrato"));
    text(t, "MENSCALUSLINPP", 7, QStringLiteral("Carência Vr. Mensal")).displayWidth = 7;
    date(t, "DTCALUSLINPPAUX");
}

void systemOfLineFields(ClientTable& t) {
    text(t, "SGSISTEMA", 3, QStringLiteral("Sigla"));
    text(t, "NMPROCOMERCI", 50, QStringLiteral("Produto Comercial"), false);
    text(t, "NRPROPOSFAS", 20);
    text(t, "NRVERPROPFAS", 2);
    text(t, "CDLINPPROP", 20);
    text(t, "NMSISTEMA", 40, QStringLiteral("Sistema"));
    text(t, "CDSISTEMA", 8, QStringLiteral("Código"), false);
    text(t, "IDTECNOSIST", 3, QStringLiteral("Tecnologia"));
}

void installmentFields(ClientTable& t) {
    text(t, "NRPROPOSFAS", 20);
    text(t, "NRVERPROPFAS", 2);
    text(t, "CDLINPPROP", 20);
    date(t, "DTVELUSOPEDP", QStringLiteral("Data Vencimento")).editMask = QString::fromLatin1(kDateMask);
    Field& value = money(t, "VRVELUSOPEDP", QStringLiteral("Valor"));
    value.editFormat = QStringLiteral("###0.00");
    value.alignment = FieldAlignment::Right;
}

void validaSistProdFields(ClientTable& t) {
    text(t, "SGSISTEMA", 3, QStringLiteral("Sigla"));
    text(t, "NMSISTEMA", 40, QStringLiteral("Sistema"));
    text(t, "IDTECNOSIST", 3, QStringLiteral("Tecnologia"));
}

void dueDateFields(ClientTable& t) { date(t, "DTVELUSOPEDP"); }

}  // namespace cot::product_line_tables
