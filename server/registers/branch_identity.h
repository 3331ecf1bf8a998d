#pragma once
// Who offers: the identity a branch signs its documents with (the PDF's letterhead and
// footer, the client's page and every mail), and how the client reaches the salesperson
// who closes them. Kept with the registers (--import/--export) on the branch's row.
#include <QByteArray>
#include <QString>
#include <optional>

namespace cot::server {

class Database;

struct BranchIdentity {
    QString branch;       // the branch's code
    QString company;      // company name (the branch's name when none is registered)
    QString cnpj;         // as registered, formatted 00.000.000/0000-00 when it has 14 digits
    QString address;      // one line: street, city - state
    QString phone;
    QString site;
    QByteArray logo;      // PNG or SVG bytes, empty when none
    QString logoType;     // "image/png", "image/svg+xml" or empty

    bool hasLogo() const { return !logo.isEmpty() && !logoType.isEmpty(); }
    // "Empresa · CNPJ 00.000.000/0000-00 · Rua …, Cidade - UF · (11) 5555-0000 · site":
    // the parts registered, in that order.
    QString footerLine() const;
};

struct SellerContact {
    QString code;
    QString name;
    QString email;
    QString phone;
};

// The branch's identity; a branch that is not registered gives its code as the company.
BranchIdentity branchIdentity(Database& db, const QString& branch);

// The salesperson of a version: who requested it, else who included it; the operator's
// name, e-mail and phone as registered (empty fields when he has none).
SellerContact sellerContact(Database& db, const QString& operatorCode);

// Both of a proposal version: its branch's identity and its salesperson (CDOPERRESP, else
// CDOPERINCL); nothing when the version does not exist.
struct OfferIdentity {
    BranchIdentity branch;
    SellerContact seller;
};
std::optional<OfferIdentity> offerIdentity(Database& db, const QString& nr, const QString& ver);

}  // namespace cot::server
