#pragma once
#include <QString>

namespace cot {

// What an operator's new password must be, wherever it is set: by the administrator's
// --set-password, by the operator himself (AlteraSenha) and before the desktop sends it.
// Passwords already stored (the demo operators', older ones) still sign in.
namespace password_rules {

inline constexpr int kMinimumLength = 8;  // characters, not bytes

// Why `password` cannot be a new password ("A senha deve ter ao menos 8 caracteres."),
// or empty when it can.
QString breach(const QString& password);

}  // namespace password_rules
}  // namespace cot
