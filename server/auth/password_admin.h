#pragma once
#include <QString>

namespace cot::server {
class Database;

// The administrator's way to give an operator a password (cot05000-server --set-password):
// stored as Argon2id, the operator's failed sign-ins forgotten and his open sessions ended.
// Throws UserError for an unknown operator or a password the rules refuse
// (base/password_rules.h); nothing is written then.
void setOperatorPassword(Database& db, const QString& operatorCode, const QString& password);

}  // namespace cot::server
