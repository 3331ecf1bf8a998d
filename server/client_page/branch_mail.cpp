#include "server/client_page/branch_mail.h"

#include "base/errors.h"
#include "server/registers/branch_identity.h"
#include "server/storage/database.h"
#include "services/cipher.h"

namespace cot::server::client_page {

BranchMail branchMail(Database& db, const QString& branch) {
    const Packet p = db.query(QStringLiteral("SELECT DSEMAILFILI, CDSENHEMAILF, DSSMTPEMAILF FROM ENDEFILI "
                                             "WHERE CDFILIAL = :FIL AND IDTPENDEFILI = 'P'"),
                              {{"FIL", branch}},
                              {{QStringLiteral("DSEMAILFILI"), FieldType::String, 0},
                               {QStringLiteral("CDSENHEMAILF"), FieldType::String, 0},
                               {QStringLiteral("DSSMTPEMAILF"), FieldType::String, 0}});
    const QString server = p.isEmpty() ? QString() : p.value(0, QStringLiteral("DSSMTPEMAILF")).toString().trimmed();
    if (server.isEmpty())
        throw UserError(QStringLiteral("A filial %1 não tem conta de e-mail cadastrada.").arg(branch.trimmed()));
    BranchMail mail;
    mail.account.server = server;
    mail.from = p.value(0, QStringLiteral("DSEMAILFILI")).toString().trimmed();
    // The branch logs in with its own address, as the desktop does.
    mail.account.user = mail.from;
    mail.account.password = Criptografa::Uncripto(p.value(0, QStringLiteral("CDSENHEMAILF")).toString(), 2);
    mail.footer = branchIdentity(db, branch).footerLine();
    return mail;
}

QString operatorAddress(Database& db, const QString& operatorCode) {
    const QString own = db.scalar(QStringLiteral("SELECT DSEMAILOPER FROM OPERADOR WHERE CDOPERADOR = :OP"),
                                  {{"OP", operatorCode}})
                            .toString()
                            .trimmed();
    if (!own.isEmpty()) return own;
    return db.scalar(QStringLiteral("SELECT DSEMAILCONTRAT FROM PARAMPROP WHERE IDPARAMPROP = 'U'"))
        .toString()
        .trimmed();
}

mail::MailSignature versionSignature(Database& db, const QString& nr, const QString& ver) {
    const std::optional<OfferIdentity> offer = offerIdentity(db, nr, ver);
    if (!offer) return {};
    return {offer->branch.footerLine(), offer->seller.name, offer->seller.email, offer->seller.phone};
}

}  // namespace cot::server::client_page
