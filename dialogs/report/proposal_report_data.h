#pragma once
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace cot {

class NetConnection;
class TMessages;

// What the proposal report prints of one proposal version, as the server holds it.
struct ProposalReportData {
    struct Installment {
        QDate due;
        double value = 0;
    };
    struct Line {
        QString code, name, type, platform, graceMonth;  // type: M, L, P, A
        double users = 0, quantity = 0;
        double licence = 0, licenceDiscount = 0, monthly = 0, monthlyDiscount = 0;
        QStringList systems;  // "SIGLA - name"
        QList<Installment> schedule;
        // What the licence costs: the sum of its installments once they are set (they may
        // carry interest), else (unit − discount) × quantity.
        long double licenceTotal() const;
        long double quotedLicence() const;  // (unit − discount) × quantity, long double
        long double monthlyTotal() const;
    };
    struct Service {
        QString name, place, charging;  // charging: P package, H hourly
        double hours = 0, rate = 0, discountPercent = 0, rateWithDiscount = 0;
        long double value() const;  // hours × the rate with its discount
    };
    struct Text {
        QString code, html;  // html: as stored (HTML or plain text)
    };

    // Who offers and who sells (GetIdentidadeProposta): the letterhead, the pages' footer
    // and the closing contact.
    struct Identity {
        QString company, cnpj, address, phone, site, footer;
        QString logoType;  // "image/png", "image/svg+xml" or empty
        QByteArray logo;
        QString sellerName, sellerEmail, sellerPhone;
    };
    Identity identity;

    // Header
    QString branch, number, version, reference;
    QString party, partyCode, partyName, corporateName, inscription;  // party: C client, P prospect
    QString contract, language, contact, product, salesperson;       // contract: M, L, S
    // salesperson: the header's responsible operator; inscription: formatted (CNPJ/CPF)
    QDate date, validUntil, acceptedOn;
    QString serviceCharging;  // P package, H hourly
    double packageValue = 0;

    QList<Line> lines;
    QList<Service> services;
    QList<Installment> serviceSchedule;
    QString serviceObjective;  // as stored
    QList<Text> texts;

    // The version's figures as the server works them out for every surface (GetTotaisProposta):
    // what is charged once (licence as charged plus services) and what is charged monthly.
    struct Totals {
        long double licence = 0, monthly = 0, services = 0, oneOff = 0;
    } totals;
};

// Reads a proposal version from the server through `net` (every call through the result
// check: a refusal is shown and ends the operation). A version the branch does not hold
// is a UserError with the text of `messages` (keys PROP_INF, PROP_NAO_CAD).
ProposalReportData readProposalReport(NetConnection& net, const QString& branch, const QString& number,
                                      const QString& version, const TMessages& messages);

}  // namespace cot
