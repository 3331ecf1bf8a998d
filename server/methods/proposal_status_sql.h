#pragma once
// The status of a proposal version as SQL, in one place for the list, its filter and the
// pipeline, so they cannot tell a version's status (or its salesperson) differently. Every piece reads the
// proposal table as alias P.
#include <QDate>
#include <QString>
#include <QVariantMap>

namespace cot::server {

// The version is marked lost.
QString lostCondition();
// Another version of the same number is approved, or holds the number's acceptance (by
// the approval or by the client on his page; meant for a version not approved itself: the
// list and the filter ask it only then).
QString supersededCondition();

// 'P' for a lost version, 'S' for a superseded one, '' otherwise (and for an accepted one):
// the part of the status the list reads from the database (its SITFECHADA column).
QString closedStatusSql();

// The whole status of a version (ProposalStatus in proposal_list.h): 'A', 'P', 'S', then by
// calendar day against the parameters statusDayParams() binds: 'X' with no validity date or
// one before today, 'E' from today to today + 10, 'V' after. With `clientDeclined`, a
// version the client declined ('R' in DECISAOPROP, joined as DC) and that is neither
// accepted, lost nor superseded is 'R' before its validity is looked at.
QString proposalStatusSql(bool clientDeclined);

// The salesperson a version counts for in the pipeline and in the list's salesperson
// criterion: who requested it, else who included it ('' for neither).
QString versionSellerSql();
void addStatusDayParams(QVariantMap& params, const QDate& today);

}  // namespace cot::server
