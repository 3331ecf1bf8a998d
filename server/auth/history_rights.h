#pragma once
#include <QString>
#include <QVariantMap>

namespace cot::server {
class Caller;
class Database;

// Which rows of a version's history an operator may read. Each row keeps the branch and
// the operators of its version as they were when it was written (HISTPROP.CDFILIAL,
// CDOPERINCL, CDOPERSOLI), and is judged by them with the rule of proposal_rights.h: in one
// of his branches, and included or requested by him unless his group sees the whole
// branch. A kept value that is not known (null) lets nobody through on its account: no
// branch, nobody; no operators, only those who see the whole branch.
//
// A version stored now is first judged as stored (the method's access rule refuses it to
// whoever may not see it); whoever may see it reads every row written since it was last
// created under its key, and the rows of an earlier life of the key by what they kept.
// A version no longer stored is read only by what its rows kept.
namespace history_rights {

// An SQL condition on HISTPROP's own columns (no alias) with its parameters, named HR_...
struct Readable {
    QString condition;
    QVariantMap params;
};

// The rows of the version `number`/`version` (as stored in HISTPROP) the caller may read.
// Throws MethodError when the version is not stored, has history, and none of it is his.
Readable readableRows(Database& db, Caller& caller, const QString& number, const QString& version);

}  // namespace history_rights
}  // namespace cot::server
