#pragma once
#include <QString>
#include <QVariant>

namespace cot::server {
class Args;

// A proposal is named by its number and version exactly as the server issues and stores
// them: the number 20 ASCII digits, the version 2, and nothing else (no blank, line break,
// tab, NUL or digit of another script). Every key a request carries, as an argument or as
// a delta's NRPROPOSFAS/NRVERPROPFAS old and new, is read here before anything runs, and
// the same text goes on to storage: nothing is trimmed or padded, so the key whose rights
// were judged is the key written. Only text is a key (a JSON number is not).
namespace proposal_key {

inline constexpr int kNumberDigits = 20;
inline constexpr int kVersionDigits = 2;

bool isNumber(const QVariant& value);
bool isVersion(const QVariant& value);

// The text as received; otherwise a MethodError (-32602):
//   "Número de proposta inválido: informe os 20 dígitos."
//   "Versão de proposta inválida: informe os 2 dígitos."
QString number(const QVariant& value);
QString version(const QVariant& value);

// Argument i of the request. A read may leave it empty (null or ""): the screen asks for
// the rows of a new proposal before its version is typed, and finds none, as no stored key
// is empty. `read` says the empty text is taken (and returned as it is).
QString numberArg(const Args& args, int i, bool read = false);
QString versionArg(const Args& args, int i, bool read = false);

}  // namespace proposal_key
}  // namespace cot::server
