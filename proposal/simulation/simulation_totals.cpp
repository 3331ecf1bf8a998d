// The four totals of the simulation page: every simulation of the version (as the server
// totals them) and the lines of the current simulation (as the grid computes them).
#include <tuple>
#include <utility>
#include <vector>

#include "data/client_table.h"
#include "reach/proposal_key.h"
#include "proposal/simulation/simulation_area.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

// The key of one proposal version's rows (and of one simulation's, when given).
proposal_key::KeyValues versionKey(const QString& number, const QString& version) {
    return {{QStringLiteral("NRPROPOSFAS"), number}, {QStringLiteral("NRVERPROPFAS"), version}};
}
proposal_key::KeyValues simulationKey(const QString& number, const QString& version, const QString& simulation) {
    return versionKey(number, version) << qMakePair(QStringLiteral("NRSIMULAPROP"), simulation);
}

// Sums two columns over the rows of `copy` that hold `key` (no rounding).
std::pair<long double, long double> sums(const ClientTable& copy, const proposal_key::KeyValues& key,
                                         const char* first, const char* second) {
    const std::vector<long double> s =
        proposal_key::sums(copy, key, {QString::fromLatin1(first), QString::fromLatin1(second)});
    return {s[0], s[1]};
}

}  // namespace

void SimulationArea::TotalGeralSimula() {
    SimulationProductsArea& l = lines();
    if (!nedTotaLicSimula || !l.nedTotaLinpSimula) return;  // not built yet
    long double licence = 0, monthly = 0, lineLicence = 0, lineMonthly = 0;
    const ClientTable& sims = *cdsSimulacao;
    if (sims.active() && !sims.isEmpty()) {
        // The proposal and version of the current simulation.
        const QString nr = sims["NRPROPOSFAS"].asString(), ver = sims["NRVERPROPFAS"].asString();
        const QString simulation = sims["NRSIMULAPROP"].asString();
        cdsAuxSimulacao->setData(sims.data());
        std::tie(licence, monthly) = sums(*cdsAuxSimulacao, versionKey(nr, ver), "VRTOTALICENCUSO", "VRTOTAMENSALIDA");
        const ClientTable& rows = *l.cdsProdSimulaLinp;
        if (rows.active() && !sims.isEditing()) {
            l.cdsAuxProdSimulaLinp->setData(rows.data());
            std::tie(lineLicence, lineMonthly) = sums(*l.cdsAuxProdSimulaLinp, simulationKey(nr, ver, simulation),
                                                      "VRTOTASIMULALUSO", "VRTOTASIMULAMENS");
        }
    }
    nedTotaLicSimula->setValue(static_cast<double>(licence));
    nedTotaMensSimula->setValue(static_cast<double>(monthly));
    l.nedTotaLinpSimula->setValue(static_cast<double>(lineLicence));
    l.nedTotaMensLinpSimula->setValue(static_cast<double>(lineMonthly));
}

}  // namespace cot
