// Fields of the proposal texts and the observation.
#include "proposal/texts/text_tables.h"

#include "data/table_fields.h"

namespace cot::text_tables {

using namespace table_fields;

void messageFields(ClientTable& m) {
    hiddenText(m, "NRPROPOSFAS", 20);
    hiddenText(m, "NRVERPROPFAS", 2);
    text(m, "CDTXTPROPFAS", 20, QStringLiteral("Mensagem"));
    memo(m, "TXPROPFAS", {}, false);
    number(m, "NRORDEMMSG", QStringLiteral("Ordem"));
}

void standardTextFields(ClientTable& t) {
    text(t, "CDPADTXT", 20, QStringLiteral("Código"));
    memo(t, "TXPADTXT", {}, false);
}

void checkFields(ClientTable& t, bool withText) {
    text(t, "NRPROPOSFAS", 20);
    text(t, "NRVERPROPFAS", 2);
    text(t, "CDTXTPROPFAS", 20);
    if (withText) memo(t, "TXPROPFAS");
}

void observationFields(ClientTable& t) {
    text(t, "NRPROPOSFAS", 20);
    text(t, "NRVERPROPFAS", 2);
    memo(t, "TXOBSPROPFAS");
}

}  // namespace cot::text_tables
