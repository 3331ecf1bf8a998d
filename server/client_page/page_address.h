#pragma once
// Where the client's page is reached from outside: the address the links in the mails
// start with. The server sets it when it starts listening (--public-url, else its own
// scheme, address and port).
#include <QString>

namespace cot::server::client_page {

void setPublicBase(const QString& base);  // "https://propostas.exemplo.com.br" (no trailing /)
QString publicBase();
// The page of a sending: BASE/cliente/TOKEN.
QString pageLink(const QString& token);

}  // namespace cot::server::client_page
