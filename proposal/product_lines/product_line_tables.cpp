// Product lines, their systems and their installment schedules.
#include "proposal/product_lines/product_line_tables.h"

#include "data/table_fields.h"

namespace cot::product_line_tables {

using namespace table_fields;


void productLineFields(ClientTable& t) {
    text(t, "LINPPROP", "NRPROPOSFAS");
    text(t, "LINPPROP", "NRVERPROPFAS");
    text(t, "LINPPROP", "CDLINPPROP");
    text(t, "LINPPROP", "CDLINPPROPINFOR", QStringLiteral("Código")).editMask = QStringLiteral("9999999999;0; ");
    text(t, "LINPPROP", "NMLINPPROP", QStringLiteral("Linha de Produto"));
    number(t, "NRUSUALINPP", QStringLiteral("Usuários")).alignment = FieldAlignment::Right;
    text(t, "LINPPROP", "IDTIPLINPP", QStringLiteral("Tipo"));
    number(t, "QTMINIMAFATPROP", QStringLiteral("Qtde.Licenças")).alignment = FieldAlignment::Right;
    money(t, "VRLICENCUSOPROP");
    money(t, "VRMENSALIDAPROP");
    money(t, "VRDESLICUSOPROP");
    money(t, "VRDESMENSALPROP");
    text(t, "LINPPROP", "IDMPROCLINPP");
    text(t, "LINPPROP", "IDLPROCLINPP");
    date(t, "DTCALUSLINPP");
    text(t, "LINPPROP", "IDAMBLINPP", QStringLiteral("Plataforma"));
    text(t, "PROPOSTAFAS", "IDTIPOPROPFAS", QStringLiteral("Contrato"));
    text(t, "MENSCALUSLINPP", 7, QStringLiteral("Carência Vr. Mensal")).displayWidth = 7;
    date(t, "DTCALUSLINPPAUX");
}

void systemOfLineFields(ClientTable& t) {
    text(t, "SISTEMA", "SGSISTEMA", QStringLiteral("Sigla"));
    text(t, "PRODCOMERCI", "NMPROCOMERCI", QStringLiteral("Produto Comercial"), false);
    text(t, "LINPPROP", "NRPROPOSFAS");
    text(t, "LINPPROP", "NRVERPROPFAS");
    text(t, "LINPPROP", "CDLINPPROP");
    text(t, "SISTEMA", "NMSISTEMA", QStringLiteral("Sistema"));
    text(t, "SISTLINPPROP", "CDSISTEMA", QStringLiteral("Código"), false);
    text(t, "SISTEMA", "IDTECNOSIST", QStringLiteral("Tecnologia"));
}

void installmentFields(ClientTable& t) {
    text(t, "LINPPROP", "NRPROPOSFAS");
    text(t, "LINPPROP", "NRVERPROPFAS");
    text(t, "LINPPROP", "CDLINPPROP");
    date(t, "DTVELUSOPEDP", QStringLiteral("Data Vencimento")).editMask = QString::fromLatin1(kDateMask);
    Field& value = money(t, "VRVELUSOPEDP", QStringLiteral("Valor"));
    value.editFormat = QStringLiteral("###0.00");
    value.alignment = FieldAlignment::Right;
}

void validaSistProdFields(ClientTable& t) {
    text(t, "SISTEMA", "SGSISTEMA", QStringLiteral("Sigla"));
    text(t, "SISTEMA", "NMSISTEMA", QStringLiteral("Sistema"));
    text(t, "SISTEMA", "IDTECNOSIST", QStringLiteral("Tecnologia"));
}

void dueDateFields(ClientTable& t) { date(t, "DTVELUSOPEDP"); }

}  // namespace cot::product_line_tables
