// The four totals of the simulation page: every simulation of the version (as the server
// totals them) and the lines of the current simulation (as the grid computes them).
#include <tuple>
#include <utility>

#include "data/client_dataset.h"
#include "proposal/simulation/simulation_area.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

// The filter of the rows of one proposal version (and one simulation, when given).
QString versionFilter(const QString& number, const QString& version) {
    return QStringLiteral("NRPROPOSFAS = '%1' AND NRVERPROPFAS = '%2'").arg(number, version);
}
QString simulationFilter(const QString& number, const QString& version, const QString& simulation) {
    return versionFilter(number, version) + QStringLiteral(" AND NRSIMULAPROP = '%1'").arg(simulation);
}

// Sums two columns over the rows of `copy` that pass `filter` (no rounding).
std::pair<long double, long double> sums(ClientDataSet& copy, const QString& filter, const char* first,
                                         const char* second) {
    copy.setFiltered(false);
    copy.setFilter(filter);
    copy.setFiltered(true);
    long double a = 0, b = 0;
    for (copy.first(); !copy.eof(); copy.next()) {
        a += copy[QString::fromLatin1(first)].asFloat();
        b += copy[QString::fromLatin1(second)].asFloat();
    }
    copy.setFiltered(false);
    return {a, b};
}

}  // namespace

void SimulationArea::TotalGeralSimula() {
    SimulationProductsArea& l = lines();
    if (!nedTotaLicSimula || !l.nedTotaLinpSimula) return;  // not built yet
    long double licence = 0, monthly = 0, lineLicence = 0, lineMonthly = 0;
    const ClientDataSet& sims = *cdsSimulacao;
    if (sims.active() && !sims.isEmpty()) {
        // The proposal and version of the current simulation.
        const QString nr = sims["NRPROPOSFAS"].asString(), ver = sims["NRVERPROPFAS"].asString();
        const QString simulation = sims["NRSIMULAPROP"].asString();
        cdsAuxSimulacao->setData(sims.data());
        std::tie(licence, monthly) = sums(*cdsAuxSimulacao, versionFilter(nr, ver), "VRTOTALICENCUSO", "VRTOTAMENSALIDA");
        const ClientDataSet& rows = *l.cdsProdSimulaLinp;
        if (rows.active() && !sims.isEditing()) {
            l.cdsAuxProdSimulaLinp->setData(rows.data());
            std::tie(lineLicence, lineMonthly) = sums(*l.cdsAuxProdSimulaLinp, simulationFilter(nr, ver, simulation),
                                                      "VRTOTASIMULALUSO", "VRTOTASIMULAMENS");
        }
    }
    nedTotaLicSimula->setValue(static_cast<double>(licence));
    nedTotaMensSimula->setValue(static_cast<double>(monthly));
    l.nedTotaLinpSimula->setValue(static_cast<double>(lineLicence));
    l.nedTotaMensLinpSimula->setValue(static_cast<double>(lineMonthly));
}

}  // namespace cot
