#pragma once
#include <QDate>
#include <QString>

#include "dialogs/filter_criteria.h"

namespace cot {

class ProposalReach;

// What a click on the pipeline asks the proposal list to show: the versions of a status
// (a code of GetPainelPropostas, empty for any), proposed within the period, or within one
// month of it ("yyyy-mm", empty for the whole period), counted for a salesperson (his
// code, empty for any).
struct PipelineDrill {
    QString status;
    QString month;
    QDate from, to;
    QString seller;
};

// The proposal filter's criteria that list those versions, starting from a clean filter.
// The statuses map to the filter's boxes; "Aceita" to any approval date; "Recusada pelo
// cliente" to the validity boxes with the client's decision "R". The validity statuses ask
// for versions without a decision, as the filter cannot exclude only the declined ones.
Cli_cot05002::TFILTRO pipelineCriteria(const PipelineDrill& drill);

// Makes `criteria` the proposal filter's confirmed criteria, as confirming the filter
// dialog would, and reloads the screen's list by them.
void showInList(ProposalReach& reach, const Cli_cot05002::TFILTRO& criteria);

}  // namespace cot
