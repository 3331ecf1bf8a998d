#pragma once
// What an accepted proposal puts under the client's contract and charges: its product
// lines with their systems, its services, and one charge per licence-of-use installment
// and per service-package installment.
#include <QDateTime>
#include <QString>

namespace cot::server {
class Database;
}

namespace cot::server::acceptance {

struct AcceptedProposal {
    QString number, version;
    QString client;           // CDCLIENTE the contract belongs to
    QString branch;           // branch the charges are issued by
    QString readjustMonth;    // "01" to "12"
    QString oper;
    QString contract;         // IDTIPOPROPFAS
    QString serviceCharging;  // IDTIPOCOBRSERV
    double packageValue = 0;  // VRPACOTESERV
    QDateTime acceptedOn;
};

struct ChargingSummary {
    int lines = 0;
    int services = 0;
    int charges = 0;
    long double licence = 0;  // sum of the licence charges
    long double package = 0;  // sum of the package charges
};

// Writes the contract and the charges inside the caller's transaction, from schedules
// checkAcceptable (acceptance_checks.h) has passed. Refused (MethodError) when a line is
// already under the client's contract.
ChargingSummary generateCharging(Database& db, const AcceptedProposal& proposal);

}  // namespace cot::server::acceptance
