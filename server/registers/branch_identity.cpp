#include "server/registers/branch_identity.h"

#include "server/methods/read_support.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

QString text(const Packet& p, const char* field) { return p.value(0, QString::fromLatin1(field)).toString().trimmed(); }

QString formattedCnpj(const QString& registered) {
    QString digits;
    for (const QChar c : registered)
        if (c.isDigit()) digits += c;
    if (digits.size() != 14) return registered;
    return QStringLiteral("%1.%2.%3/%4-%5")
        .arg(digits.left(2), digits.mid(2, 3), digits.mid(5, 3), digits.mid(8, 4), digits.mid(12, 2));
}

// The branch's address: the mail account's row ('P') when it has a street, else the first
// kind that has one.
QString addressLine(Database& db, const QString& branch) {
    const Packet rows = db.query(QStringLiteral("SELECT DSENDEFILI, NMCIDADEFILI, SGESTADOFILI FROM ENDEFILI "
                                                "WHERE CDFILIAL = :B AND DSENDEFILI IS NOT NULL "
                                                "ORDER BY CASE WHEN IDTPENDEFILI = 'P' THEN 0 ELSE 1 END, IDTPENDEFILI"),
                                 {{"B", branch}});
    if (rows.isEmpty()) return {};
    QString line = text(rows, "DSENDEFILI");
    QString place = text(rows, "NMCIDADEFILI");
    const QString state = text(rows, "SGESTADOFILI");
    if (!state.isEmpty()) place += place.isEmpty() ? state : QStringLiteral(" - ") + state;
    if (!place.isEmpty()) line += line.isEmpty() ? place : QStringLiteral(", ") + place;
    return line;
}

}  // namespace

QString BranchIdentity::footerLine() const {
    QStringList parts;
    for (const QString& part : {company, cnpj.isEmpty() ? QString() : QStringLiteral("CNPJ ") + cnpj, address, phone, site})
        if (!part.isEmpty()) parts << part;
    return parts.join(QStringLiteral(" · "));
}

BranchIdentity branchIdentity(Database& db, const QString& branch) {
    BranchIdentity id;
    id.branch = branch.trimmed();
    id.company = id.branch;
    const Packet row = db.query(QStringLiteral("SELECT NMFILIAL, NMEMPRFILI, NRINSJURFILI, NRFONEFILI, DSSITEFILI "
                                               "FROM FILIAL WHERE CDFILIAL = :B"),
                                {{"B", id.branch}});
    if (row.isEmpty()) return id;
    const QString company = text(row, "NMEMPRFILI");
    id.company = company.isEmpty() ? text(row, "NMFILIAL") : company;
    id.cnpj = formattedCnpj(text(row, "NRINSJURFILI"));
    id.phone = text(row, "NRFONEFILI");
    id.site = text(row, "DSSITEFILI");
    id.address = addressLine(db, id.branch);
    const Packet logo = db.query(QStringLiteral("SELECT IDTIPOLOGO, TXLOGO FROM LOGOFILI WHERE CDFILIAL = :B"),
                                 {{"B", id.branch}});
    if (!logo.isEmpty()) {
        id.logo = QByteArray::fromBase64(logo.value(0, QStringLiteral("TXLOGO")).toString().toLatin1());
        id.logoType = text(logo, "IDTIPOLOGO");
    }
    return id;
}

SellerContact sellerContact(Database& db, const QString& operatorCode) {
    SellerContact seller;
    seller.code = operatorCode.trimmed();
    if (seller.code.isEmpty()) return seller;
    const Packet row = db.query(QStringLiteral("SELECT NMOPERADOR, DSEMAILOPER, NRFONEOPER FROM OPERADOR "
                                               "WHERE CDOPERADOR = :O"),
                                {{"O", seller.code}});
    if (row.isEmpty()) return seller;
    seller.name = text(row, "NMOPERADOR");
    seller.email = text(row, "DSEMAILOPER");
    seller.phone = text(row, "NRFONEOPER");
    return seller;
}

std::optional<OfferIdentity> offerIdentity(Database& db, const QString& nr, const QString& ver) {
    const Packet row =
        db.query(QStringLiteral("SELECT CDFILIAL, COALESCE(NULLIF(CDOPERRESP, ''), CDOPERINCL) AS CDVENDEDOR "
                                "FROM PROPOSTAFAS WHERE %1")
                     .arg(read::ProposalKey::condition()),
                 {{"NR", nr.trimmed()}, {"VER", ver.trimmed()}});
    if (row.isEmpty()) return std::nullopt;
    return OfferIdentity{branchIdentity(db, text(row, "CDFILIAL")), sellerContact(db, text(row, "CDVENDEDOR"))};
}

}  // namespace cot::server
