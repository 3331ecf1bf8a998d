#pragma once
// What the client's page shows of a proposal version, read straight from its rows: the
// header with the client's and the salesperson's names, the product lines with their
// systems and installments, the services with the package's installments, and the texts
// as stored.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "server/methods/proposal_totals.h"

namespace cot::server {

class Database;

namespace client_page {

struct PageInstallment {
    QDate due;
    double value = 0;
};

struct PageLine {
    QString code, name;
    double quantity = 0;
    double licence = 0, licenceDiscount = 0, monthly = 0, monthlyDiscount = 0;
    QStringList systems;  // "SIGLA - name"
    QList<PageInstallment> schedule;
    long double quotedLicence() const;  // (unit − discount) × quantity
    // The installments once they are set (they may carry interest), else the quoted licence.
    long double licenceTotal() const;
    long double monthlyTotal() const;
};

struct PageService {
    QString name, place;
    double hours = 0, rateWithDiscount = 0;
    long double value() const { return static_cast<long double>(hours) * rateWithDiscount; }
};

struct PageText {
    QString code, stored;  // as stored: rich text or plain
};

struct PageProposal {
    QString nr, ver, branch;
    QString reference, partyName, salesperson, contract;  // contract: M, L, S
    QString salespersonCode;                               // CDOPERRESP, else CDOPERINCL
    QDate date, validUntil;
    QString serviceCharging;  // P package, H hourly
    double packageValue = 0;
    QList<PageLine> lines;
    QList<PageService> services;
    QList<PageInstallment> serviceSchedule;
    QString serviceObjective;
    QList<PageText> texts;

    // The version's figures as the running total and the approval take them.
    ProposalTotals totals;

    bool rental() const { return contract == QLatin1String("L"); }
};

// Nothing when the version does not exist.
std::optional<PageProposal> readPageProposal(Database& db, const QString& nr, const QString& ver);

}  // namespace client_page
}  // namespace cot::server
