// Fields of the proposal texts and the observation.
#include "proposal/texts/text_tables.h"

#include "data/table_fields.h"

namespace cot::text_tables {

using namespace table_fields;

void messageFields(ClientTable& m) {
    hiddenText(m, "TXTPROPFAS", "NRPROPOSFAS");
    hiddenText(m, "TXTPROPFAS", "NRVERPROPFAS");
    text(m, "TXTPROPFAS", "CDTXTPROPFAS", QStringLiteral("Mensagem"));
    memo(m, "TXPROPFAS", {}, false);
    number(m, "NRORDEMMSG", QStringLiteral("Ordem"));
}

void standardTextFields(ClientTable& t) {
    text(t, "PADTXT", "CDPADTXT", QStringLiteral("Código"));
    memo(t, "TXPADTXT", {}, false);
}

void checkFields(ClientTable& t, bool withText) {
    text(t, "TXTPROPFAS", "NRPROPOSFAS");
    text(t, "TXTPROPFAS", "NRVERPROPFAS");
    text(t, "TXTPROPFAS", "CDTXTPROPFAS");
    if (withText) memo(t, "TXPROPFAS");
}

void observationFields(ClientTable& t) {
    text(t, "TXTPROPFAS", "NRPROPOSFAS");
    text(t, "TXTPROPFAS", "NRVERPROPFAS");
    memo(t, "TXOBSPROPFAS");
}

}  // namespace cot::text_tables
