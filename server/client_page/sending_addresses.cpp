#include "server/client_page/sending_addresses.h"

#include <QRegularExpression>
#include <QSet>

#include "server/rpc/method_registry.h"
#include "services/mail_sender.h"

namespace cot::server::client_page {

namespace {

// One address: a local part and a domain of at least two labels, nothing a header or the
// SMTP dialogue would read otherwise.
bool wellFormedAddress(const QString& address) {
    static const QRegularExpression shape(QStringLiteral(
        R"(^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]{1,64}@(?=.{4,253}$)([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?\.)+)"
        R"([A-Za-z]{2,63}$)"));
    return shape.match(address).hasMatch() && !address.startsWith(u'.') && !address.contains(QStringLiteral(".."));
}

}  // namespace

QStringList sendingAddresses(const QString& typed) {
    const QStringList list = splitAddressList(typed);
    if (list.isEmpty()) throw MethodError(QStringLiteral("Informe o e-mail do cliente."));
    const QString tooMany =
        QStringLiteral("Informe no máximo %1 e-mails, em até %2 caracteres.").arg(kMostAddresses).arg(kAddressText);
    if (typed.trimmed().size() > kAddressText) throw MethodError(tooMany);
    QStringList distinct;
    QSet<QString> seen;
    for (const QString& address : list) {
        if (!wellFormedAddress(address))  // shown on one line, whatever breaks it carried
            throw MethodError(QStringLiteral("E-mail inválido: %1.").arg(address.simplified()));
        if (seen.contains(address.toLower())) continue;
        seen.insert(address.toLower());
        distinct << address;
    }
    // Recorded as "a; b": that text is bounded too.
    if (distinct.size() > kMostAddresses || distinct.join(QStringLiteral("; ")).size() > kAddressText)
        throw MethodError(tooMany);
    return distinct;
}

}  // namespace cot::server::client_page
