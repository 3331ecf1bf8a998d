#pragma once
// A prospect registered as a client: the checks and the rows written, shared by
// InsereCliente and by an acceptance that registers the client in its own transaction.
#include <QJsonValue>
#include <QString>

namespace cot::server {
class Args;
class Caller;
class Database;
}

namespace cot::server::acceptance {

// The values the approval dialog sends, in InsereCliente's order.
struct NewClient {
    QString prospect;         // CDPROSPECT
    QString inscription;      // as typed, with or without punctuation
    QString company;          // razão social
    QString complement;       // optional
    QString tradeName;        // nome fantasia
    QString personKind;       // "F", "J" or "E"; empty: taken from the inscription
    QString kindInscription;  // person kind followed by the inscription as typed
    QString oper;             // operator who registers
};

// From eight positional arguments starting at `first`.
NewClient newClientFromArgs(const Args& args, int first);
// From one argument holding the same eight values: a data packet of one row or an
// object whose names are the fields below, or an array in InsereCliente's order.
//   CDPROSPECT, NRINSJURCLIE, NMRAZSOCCLIE, DSCOMPLCLIE, NMFANTCLIE, IDTPIJURCLIE,
//   TPINSCRICAO, CDOPERADOR
NewClient newClientFromValue(const QJsonValue& value, int argumentIndex, const QString& method);

struct RegisteredClient {
    QString code;
    QString personKind;
    QString inscription;  // digits of a CPF or CNPJ, the text of any other
};

// Checks the values and writes CLIENTE, its main address and the prospect's link to it,
// inside the caller's transaction. Refused (MethodError, nothing written) when the
// prospect is unknown, a value is missing or too long, the inscription (or the prospect)
// already has a client, the operator named is not the session's, or the client's branch
// (the prospect's) is not one of the session operator's.
RegisteredClient registerClient(Database& db, const NewClient& client, Caller& session);

// Whether a client is registered under that inscription (digits of a CPF or CNPJ, the
// text of any other document) for that person kind. Clients of every branch count: an
// inscription is registered once.
bool inscriptionRegistered(Database& db, const QString& inscription, const QString& personKind);

// The client registered for a prospect, empty when none.
QString clientOfProspect(Database& db, const QString& prospect);

}  // namespace cot::server::acceptance
