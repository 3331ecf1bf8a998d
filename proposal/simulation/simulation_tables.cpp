// Price simulations of the proposal's product lines.
#include "proposal/simulation/simulation_tables.h"

#include <utility>

#include "data/table_fields.h"
#include "services/messages.h"

namespace cot::simulation_tables {

using namespace table_fields;

namespace {

// Product-line type codes and the catalogue keys of their words.
const std::pair<const char*, const char*> kLineTypes[] = {
    {"M", "LU - Manutenção"}, {"L", "Locação"}, {"P", "Pto. Acesso"}, {"A", "Locação - Pto. Acesso"}};

}  // namespace

void simulationFields(ClientTable& t) {
    text(t, "SIMULAPROP", "NRORDSIMULAPROP", QStringLiteral("Ordem"));
    text(t, "SIMULAPROP", "NMSIMULAPROP", QStringLiteral("Nome"));
    money(t, "VRTOTALICENCUSO", QStringLiteral("Total Licença de Uso")).readOnly = true;
    money(t, "VRTOTAMENSALIDA", QStringLiteral("Total Mensal")).readOnly = true;
    text(t, "SIMULAPROP", "NRSIMULAPROP");
    text(t, "SIMULAPROP", "NRPROPOSFAS");
    text(t, "SIMULAPROP", "NRVERPROPFAS");
}

void simulatedLineFields(ClientTable& t) {
    text(t, "SIMULALINP", "NRORDLINPSIMULA", QStringLiteral("Ordem"));
    text(t, "LINPPROP", "NMLINPPROP", QStringLiteral("Linha de Produto"));
    text(t, "LINPPROP", "IDTIPLINPP", QStringLiteral("Tipo"));
    number(t, "QTUTILSIMULINP", QStringLiteral("Quantidade"));
    money(t, "VRLICENCUSOPROP", QStringLiteral("Vr. unit. LU"));
    calculated(t, "VRTOTASIMULALUSO", QStringLiteral("Vr. total. LU"));
    money(t, "VRMENSALIDAPROP", QStringLiteral("Vr. unit. mensal"));
    calculated(t, "VRTOTASIMULAMENS", QStringLiteral("Vr. total mensal"));
    text(t, "SIMULALINP", "CDLINPPROP");
    number(t, "NRUSUALINPP");
    text(t, "SIMULAPROP", "NRSIMULAPROP");
    text(t, "SIMULAPROP", "NRORDSIMULAPROP");
    text(t, "SIMULAPROP", "NRPROPOSFAS");
    text(t, "SIMULAPROP", "NRVERPROPFAS");
    // Unit values times the simulated quantity, unrounded.
    t.onCalcFields = [](ClientTable& d) {
        const long double q = d["QTUTILSIMULINP"].asFloat();
        d["VRTOTASIMULALUSO"].setAsFloat(static_cast<double>(q * d["VRLICENCUSOPROP"].asFloat()));
        d["VRTOTASIMULAMENS"].setAsFloat(static_cast<double>(q * d["VRMENSALIDAPROP"].asFloat()));
    };
}

void productLinePickFields(ClientTable& pick) {
    // The internal key means nothing to the user: the list shows the line by name.
    hiddenText(pick, "SIMULALINP", "CDLINPPROP");
    text(pick, "LINPPROP", "NMLINPPROP", QStringLiteral("Linha de Produto"));
    text(pick, "LINPPROP", "IDTIPLINPP", QStringLiteral("Tipo")).displayWidth = 20;
    money(pick, "VRLICENCUSOPROP", QStringLiteral("Vr. unit. LU"));
    money(pick, "VRMENSALIDAPROP", QStringLiteral("Vr. unit. mensal"));
}

void commercialProductFields(ClientTable& product) {
    text(product, "PROPOSTAFAS", "CDPROCOMERCI", QStringLiteral("Código"));
    text(product, "PRODCOMERCI", "NMPROCOMERCI", QStringLiteral("Nome"));
}

void oneTextField(ClientTable& t, const char* name, int size) { text(t, name, size); }

void lineTypeWords(Field& f, const TMessages& m) {
    f.onGetText = [&m](Field& x, bool) {
        const QString code = x.asString();
        for (const auto& [c, key] : kLineTypes)
            if (code == QLatin1String(c)) return m.Msg(QString::fromUtf8(key));
        return code;  // an unknown code shows as it is
    };
    f.onSetText = [&m](Field& x, const QString& typed) {
        for (const auto& [c, key] : kLineTypes)
            if (typed == m.Msg(QString::fromUtf8(key)) || typed == QLatin1String(c)) return x.setAsString(QString::fromLatin1(c));
    };
}

}  // namespace cot::simulation_tables
