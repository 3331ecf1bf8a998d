#include "server/methods/acceptance_checks.h"

#include <QHash>
#include <QStringList>
#include <vector>

#include "data/packet.h"
#include "server/methods/service_text_support.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "services/installment_schedule.h"

namespace cot::server::acceptance {

namespace {

// The desktop's catalogue texts, as its checks show them.
const QString kLineSum = QStringLiteral("O somatório dos vencimentos está diferente do valor da Proposta. "
                                        "O valor dos vencimentos deve ser alterado.");
const QString kLineWithout = QStringLiteral("Existem linhas de produto sem data de vencimento cadastrado. "
                                            "Operação bloqueada.");
const QString kPackageWithout = QStringLiteral("O pacote de serviços da proposta deve conter ao menos uma linha de "
                                               "vencimento. Operação Bloqueada.");
const QString kPackageSum = QStringLiteral("O somatório dos vencimentos dos serviços está diferente do valor do "
                                           "pacote da Proposta. O valor dos vencimentos deve ser alterado.");
const QString kGrace = QStringLiteral("Operação bloqueada! Mês de carência deve ser maior ou igual ao mês da data "
                                      "de aceite da proposta.");
const QString kLineDue = QStringLiteral("As seguintes linhas de produto estão com o vencimento menor que a data do "
                                        "aceite (%1):");
const QString kPackageDue = QStringLiteral("O vencimento dos serviços da proposta está menor que a data do aceite "
                                           "(%1). Operação Bloqueada.");

QString shortDate(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

struct Installments {
    std::vector<double> values;
    QDate first;

    void add(const QVariant& due, double value) {
        values.push_back(value);
        const QDate day = due.toDateTime().date();
        if (day.isValid() && (!first.isValid() || day < first)) first = day;
    }
};

QString key(const QVariant& v) { return v.toString().trimmed(); }

// The line as the desktop's list of offending lines shows it.
QString lineLabel(const Packet& lines, int row, const QString& when) {
    return QStringLiteral("%1 - %2 (%3)").arg(key(lines.value(row, "CDLINPPROPINFOR")),
                                              key(lines.value(row, "NMLINPPROP")), when);
}

struct Lines {
    Packet rows;
    QHash<QString, Installments> schedules;  // by CDLINPPROP; a line without installments has none

    const Installments* scheduleOf(int row) const {
        const auto found = schedules.constFind(key(rows.value(row, "CDLINPPROP")));
        return found == schedules.constEnd() ? nullptr : &*found;
    }
};

Lines linesOf(Database& db, const QVariantMap& params) {
    Lines out;
    out.rows =
        db.query(QStringLiteral("SELECT CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
                                "QTMINIMAFATPROP, DTCALUSLINPP FROM LINPPROP WHERE %1 ORDER BY CDLINPPROP")
                     .arg(read::ProposalKey::condition()),
                 params);
    const Packet stored = db.query(QStringLiteral("SELECT CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP "
                                                  "WHERE %1")
                                       .arg(read::ProposalKey::condition()),
                                   params);
    for (int s = 0; s < stored.rows.size(); ++s)
        out.schedules[key(stored.value(s, "CDLINPPROP"))].add(stored.value(s, "DTVELUSOPEDP"),
                                                              stored.value(s, "VRVELUSOPEDP").toDouble());
    return out;
}

Installments packageOf(Database& db, const QVariantMap& params) {
    Installments out;
    const Packet stored = db.query(QStringLiteral("SELECT DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP "
                                                  "WHERE %1")
                                       .arg(read::ProposalKey::condition()),
                                   params);
    for (int s = 0; s < stored.rows.size(); ++s)
        out.add(stored.value(s, "DTVENCSERVPROP"), stored.value(s, "VRVENCSERVPROP").toDouble());
    return out;
}

// ApprovalChecks::checkLine: a schedule pays the line's licence total; a licence of use
// has one.
void checkLineSchedules(const Lines& lines, bool licence, long double rate) {
    const Packet& t = lines.rows;
    for (int i = 0; i < t.rows.size(); ++i) {
        const Installments* schedule = lines.scheduleOf(i);
        if (!schedule) {
            if (licence) throw MethodError(kLineWithout);
            continue;
        }
        const long double total = (static_cast<long double>(t.value(i, "VRLICENCUSOPROP").toDouble()) -
                                   t.value(i, "VRDESLICUSOPROP").toDouble()) *
                                  t.value(i, "QTMINIMAFATPROP").toDouble();
        if (!scheduleAccepted(schedule->values, total, rate)) throw MethodError(kLineSum);
    }
}

// ApprovalChecks::checkPackage. A package without services but with a value is refused
// too: the charging would have nothing to split it by.
void checkPackageSchedule(Database& db, const AcceptedProposal& p, const QVariantMap& params,
                          const Installments& package, long double rate) {
    if (package.values.empty()) {
        const int services =
            db.scalar(QStringLiteral("SELECT COUNT(*) FROM SERVPROP WHERE %1").arg(read::ProposalKey::condition()),
                      params)
                .toInt();
        if (services == 0 && p.packageValue == 0) return;
        throw MethodError(kPackageWithout);
    }
    if (!scheduleAccepted(package.values, p.packageValue, rate)) throw MethodError(kPackageSum);
}

// The dialog's checkGraceMonths and checkLicenceDueDates, with the lines its lists show.
void checkLineDates(const Lines& lines, bool licence, const QDate& day) {
    const Packet& t = lines.rows;
    QStringList graceEnded, dueBefore;
    for (int i = 0; i < t.rows.size(); ++i) {
        const QDate grace = t.value(i, "DTCALUSLINPP").toDateTime().date();
        if (grace.isValid() && grace < day) graceEnded << lineLabel(t, i, grace.toString(QStringLiteral("MM/yyyy")));
        const Installments* schedule = lines.scheduleOf(i);
        if (licence && schedule && schedule->first.isValid() && schedule->first < day)
            dueBefore << lineLabel(t, i, shortDate(schedule->first));
    }
    if (!graceEnded.isEmpty()) throw MethodError(kGrace + u'\n' + graceEnded.join(u'\n'));
    if (!dueBefore.isEmpty()) throw MethodError(kLineDue.arg(shortDate(day)) + u'\n' + dueBefore.join(u'\n'));
}

}  // namespace

void checkAcceptable(Database& db, const AcceptedProposal& p) {
    const QVariantMap params{{"NR", p.number}, {"VER", p.version}};
    const long double rate = svctext::interestRate(db);
    const bool licence = p.contract == QLatin1String("M");
    const bool package = p.serviceCharging == QLatin1String("P");
    const Lines lines = linesOf(db, params);
    const Installments packageSchedule = package ? packageOf(db, params) : Installments{};
    // In the order the launch and then the dialog check them.
    checkLineSchedules(lines, licence, rate);
    if (package) checkPackageSchedule(db, p, params, packageSchedule, rate);
    const QDate day = p.acceptedOn.date();
    checkLineDates(lines, licence, day);
    // The dialog's checkServiceDueDates: the first installment is not before the acceptance.
    if (package && !packageSchedule.values.empty() &&
        (!packageSchedule.first.isValid() || packageSchedule.first < day))
        throw MethodError(kPackageDue.arg(shortDate(day)));
}

}  // namespace cot::server::acceptance
