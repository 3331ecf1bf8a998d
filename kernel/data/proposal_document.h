#pragma once
// One proposal version as it is shown to whoever reads it: the printed report (and its PDF)
// and the client's page. The desktop fills it from the server's answers, the server from the
// version's rows; proposal_html.h renders it.
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace cot {

struct ProposalDocument {
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
        // carry interest), else the quoted figure.
        long double licenceTotal() const;
        long double quotedLicence() const;  // (unit − discount) × quantity
        long double monthlyTotal() const;   // (unit − discount) × quantity
    };
    struct Service {
        QString name, place, charging;  // charging: P package, H hourly
        double hours = 0, rate = 0, discountPercent = 0, rateWithDiscount = 0;
        long double value() const;  // hours × the rate with its discount
    };
    struct Text {
        QString code, html;  // html: as stored (HTML or plain text)
    };

    // Who offers and who sells: the letterhead, the pages' footer and the closing contact.
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
    // salesperson: the responsible operator's name (his code when he has none);
    // inscription: formatted (CNPJ/CPF)
    QDate date, validUntil, acceptedOn;
    QString serviceCharging;  // P package, H hourly
    double packageValue = 0;

    QList<Line> lines;
    QList<Service> services;
    QList<Installment> serviceSchedule;
    QString serviceObjective;  // as stored
    QList<Text> texts;

    // The version's figures as the server works them out for every surface: what is charged
    // once (licence as charged plus services), what is charged monthly, and the licence and
    // services as quoted, before any installment's interest.
    struct Totals {
        long double licence = 0, monthly = 0, services = 0, oneOff = 0, quoted = 0;
    } totals;

    bool rental() const { return contract == QLatin1String("L"); }
};

}  // namespace cot
