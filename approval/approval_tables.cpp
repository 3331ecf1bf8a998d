// The approval launch over the proposal's product lines and services, read again from the
// server: each line's systems and schedule, the lines that go on the lists, the services
// and their package schedule.
#include "approval/approval_checks.h"

#include <QScopeGuard>

#include "data/client_table.h"
#include "reach/proposal_reach.h"

namespace cot {

namespace {

long double interestRate(const ProposalReach& screen) {
    const ClientTable& perc = screen.paramPerc();
    return perc.active() && !perc.isEmpty() ? perc[QStringLiteral("VRTXJUROSLICUSO")].asFloat() : 0;
}

// The field of the current row, empty when the table holds none (the row to find again).
QString currentText(const ClientTable& t, const QString& field) {
    return t.active() && !t.isEmpty() ? t[field].asString() : QString();
}

long double sumOf(const ClientTable& t, const QString& field) {
    long double sum = 0;
    for (int r = 0; r < t.rowCount(); ++r) {
        ClientTable::RowView row(t, r);
        sum += t[field].asFloat();
    }
    return sum;
}

}  // namespace

ClientTable& ApprovalChecks::lines() const { return s_.productLines(); }
ClientTable& ApprovalChecks::services() const { return s_.services(); }

void ApprovalChecks::reloadLines() {
    ClientTable& t = lines();
    const QString current = currentText(t, QStringLiteral("CDLINPPROPINFOR"));
    t.setData(s_.net().getPacket(QStringLiteral("GetLinProd"), {key_.nr, key_.ver}));
    if (!current.isEmpty()) t.locate(QStringLiteral("CDLINPPROPINFOR"), current, loCaseInsensitive);
    emptyLists();
}

void ApprovalChecks::checkLines() {
    ClientTable& t = lines();
    // The systems and schedule shown beside the line form belong to the current line again
    // once the launch has read every line's.
    const auto showCurrent = [&] {
        s_.loadLineSystems();
        s_.loadLineSchedule();
    };
    const bool contract = s_.contractLines();
    int row = 0;
    // On a failure the line that failed becomes the current one.
    auto showFailed = qScopeGuard([&] {
        try {
            if (row < t.rowCount()) t.setRecNo(row + 1);
            showCurrent();
        } catch (...) {
            // What stopped the launch is what the user must see, not a failed re-read.
        }
    });
    // Each line is read in place: the cursor stays, and the areas' loads read the line in
    // view as their current one.
    for (; row < t.rowCount(); ++row) {
        ClientTable::RowView view(t, row);
        // The line needs its systems.
        s_.loadLineSystems();
        if (s_.lineSystems().isEmpty()) fail(QStringLiteral("Dados_Sist"));
        const QString codes = s_.lineSystemCodes();
        // Its schedule must pay the licence total.
        s_.loadLineSchedule();
        checkLine();
        // Under a contract, the line is checked against what the customer already has.
        if (contract) collectLine(codes);
    }
    showFailed.dismiss();
    if (!t.isEmpty()) showCurrent();
}

void ApprovalChecks::checkLine() {
    const ClientTable& t = lines();
    const ClientTable& schedule = s_.lineSchedule();
    if (!schedule.isEmpty()) {
        // The licence total, with or without the interest of a long schedule.
        const long double total = (static_cast<long double>(t[QStringLiteral("VRLICENCUSOPROP")].asFloat()) -
                                   t[QStringLiteral("VRDESLICUSOPROP")].asFloat()) *
                                  t[QStringLiteral("QTMINIMAFATPROP")].asFloat();
        if (!approval::paysValue(sumOf(schedule, QStringLiteral("VRVELUSOPEDP")), total, interestRate(s_)))
            fail(QStringLiteral("Vencimento"));
    } else if (tipoProposta_ == QLatin1String("M")) {
        // A licence proposal cannot go without a schedule.
        fail(QStringLiteral("Venc_Inf"));
    }
}

void ApprovalChecks::collectLine(const QString& systems) {
    const ClientTable& t = lines();
    const QString type = t[QStringLiteral("IDTIPLINPP")].asString();
    if (type == QLatin1String("P") || type == QLatin1String("A")) {
        // An access point serves one system, and a customer has one access point of a type.
        if (s_.lineSystems().recordCount() > 1) addTo(*cdsPtoAcesso_);
        cdsVdQtPtoAcesso_->setData(s_.net().getPacket(QStringLiteral("GetVdQtPtoAcesso"), {cliente_, type}));
        if (!cdsVdQtPtoAcesso_->isEmpty() && (*cdsVdQtPtoAcesso_)[QStringLiteral("QTPTOACESSO")].asFloat() > 1)
            addTo(*cdsTipo_);
    }
    const QVariantList args{cliente_,
                            key_.nr,
                            key_.ver,
                            t[QStringLiteral("CDLINPPROP")].asString(),
                            type,
                            t[QStringLiteral("NRUSUALINPP")].asFloat(),
                            t[QStringLiteral("IDAMBLINPP")].asString(),
                            t[QStringLiteral("IDLPROCLINPP")].asString(),
                            t[QStringLiteral("IDMPROCLINPP")].asString(),
                            systems};
    cdsVerificaLinhaProd_->setData(s_.net().getPacket(QStringLiteral("GetVdLinProd"), args));
    if (!cdsVerificaLinhaProd_->isEmpty() && (*cdsVerificaLinhaProd_)[QStringLiteral("QTLINHAPROD")].asFloat() > 1)
        addTo(*cdsLProduto_);
}

void ApprovalChecks::reloadServices() {
    ClientTable& t = services();
    const QString current = currentText(t, QStringLiteral("NRSERVPROP"));
    t.setData(s_.net().getPacket(QStringLiteral("GetServico"), {key_.nr, key_.ver}));
    if (!current.isEmpty()) t.locate(QStringLiteral("NRSERVPROP"), current);
    s_.showCharging();
}

void ApprovalChecks::checkServices() {
    reloadServices();
    ClientTable& t = services();
    if (t.isEmpty()) return;
    // Every service needs its hourly rate; the first without one becomes the current row.
    for (int row = 0; row < t.rowCount(); ++row) {
        bool missing = false;
        t.withRow(row, [&] { missing = t[QStringLiteral("VRHORAPROP")].isNull(); });
        if (!missing) continue;
        t.setRecNo(row + 1);
        s_.focusServiceColumn(QStringLiteral("VRHORAPROP"));
        fail(QStringLiteral("VRHORAINF"));
    }
    // A package needs a schedule that pays it.
    if (s_.proposal()[QStringLiteral("IDTIPOCOBRSERV")].asString() == QLatin1String("P")) checkPackage();
}

void ApprovalChecks::checkPackage() {
    const ClientTable& schedule = s_.reloadPackageSchedule();
    if (schedule.isEmpty()) fail(QStringLiteral("VencServ_Inf"));
    const long double package = s_.proposal()[QStringLiteral("VRPACOTESERV")].asFloat();
    if (!approval::paysValue(sumOf(schedule, QStringLiteral("VRVENCSERVPROP")), package, interestRate(s_)))
        fail(QStringLiteral("Vencimento_Serv"));
}

}  // namespace cot
