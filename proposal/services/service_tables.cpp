// Services, their objective text and the package installments.
#include "proposal/services/service_tables.h"

#include "data/format_br.h"
#include "data/table_fields.h"
#include "services/money.h"

namespace cot::service_tables {

using namespace table_fields;


void serviceFields(ClientTable& t, bool withMandatoryMark) {
    text(t, "TIPOSERV", "NMTIPOSERV", QStringLiteral("Serviço")).displayWidth = 80;
    hiddenText(t, "SERVPROP", "NRPROPOSFAS");
    hiddenText(t, "SERVPROP", "NRVERPROPFAS");
    hiddenText(t, "SERVPROP", "CDTIPOSERV").displayLabel = QStringLiteral("Código");
    text(t, "SERVPROP", "DSLOCALPROP", QStringLiteral("Desc. Local"));
    text(t, "SERVPROP", "IDTIPOCOBRPROP", QStringLiteral("Modalidade"));
    number(t, "VRPEACHEPROP", QStringLiteral("Fator")).required = true;
    number(t, "QTSERVPROP", QStringLiteral("Qt.Horas")).required = true;
    number(t, "VREXCEDPROP", {}, false);
    Field& hour = number(t, "VRHORAPROP", QStringLiteral("Vr.Hora Contratual"));
    hour.displayFormat = QStringLiteral("###0.00");
    hour.required = true;
    number(t, "VRDEHORAPROP", QStringLiteral("Vr.Hora Faturar")).displayFormat = QStringLiteral("###0.00");
    number(t, "VRPEHORAPROP", QStringLiteral("Desconto(%)")).displayFormat = QStringLiteral("##0.00");
    hiddenText(t, "SERVPROP", "NRSERVPROP");
    hiddenText(t, "SERVPROP", "NRMESREAJPROP");
    calculated(t, "VRTOTASERV", {}, false);
    // The package is shown as its schedule is split and checked: cut to the cent
    // (3 h at 33,333 is 99,99, never 100,00).
    Field& package = money(t, "VRPACOTESERV", {}, false);
    package.onGetText = [](Field& f, bool displayText) {
        if (f.isNull()) return QString();
        const long double cut = truncCents(f.asFloat());
        return formatFloat(displayText ? f.displayFormat : f.editFormat, cut);
    };
    fixed(t, "VERIFICA_DESCRICAO", 1, {}, false);
    if (withMandatoryMark) text(t, "IDSERVOBRIGPROS", 2);
    for (const char* name : {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP", "VRPEHORAPROP"})
        t.fieldByName(QString::fromLatin1(name)).alignment = FieldAlignment::Right;
    // Hours times the invoiced hourly rate, unrounded.
    t.onCalcFields = [](ClientTable& d) {
        const long double total =
            static_cast<long double>(d["QTSERVPROP"].asFloat()) * static_cast<long double>(d["VRDEHORAPROP"].asFloat());
        d["VRTOTASERV"].setAsFloat(static_cast<double>(total));
    };
}

void serviceInstallmentFields(ClientTable& t) {
    hiddenText(t, "SERVPROP", "NRPROPOSFAS");
    hiddenText(t, "SERVPROP", "NRVERPROPFAS");
    date(t, "DTVENCSERVPROP", QStringLiteral("Data Vencimento")).editMask = QString::fromLatin1(kDateMask);
    Field& value = money(t, "VRVENCSERVPROP", QStringLiteral("Valor"));
    value.alignment = FieldAlignment::Right;
}

void mandatoryServiceFields(ClientTable& t) {
    text(t, "SERVPROP", "CDTIPOSERV", QStringLiteral("Código"));
    text(t, "TIPOSERV", "NMTIPOSERV", QStringLiteral("Serviço"));
}

void objectiveFields(ClientTable& t) {
    hiddenText(t, "SERVPROP", "NRPROPOSFAS");
    hiddenText(t, "SERVPROP", "NRVERPROPFAS");
    memo(t, "TXOBJETPROPFAS");
}

void dueDateFields(ClientTable& t) { date(t, "DTVENCSERVPROP"); }

}  // namespace cot::service_tables
