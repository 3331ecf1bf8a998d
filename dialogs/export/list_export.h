#pragma once
#include <QString>
#include <functional>
#include <optional>

#include "data/table_export.h"

namespace cot {

class ProposalReach;
class TDBGrid;

// The word a picture column stands for on the row being read (the status dot as "Válida",
// "A Vencer"...). The screen knows what its pictures mean; a column it leaves out
// (nullopt) is exported as its display text.
using PictureWords = std::function<std::optional<QString>(const QString& fieldName)>;

// The grid's table as the grid shows it: its visible columns in their on-screen order with
// their titles, and its rows in their current order and filter. Dates, money and whole
// numbers keep their kind; fields shown through a get-text handler (codes as words) and
// every other field go as their display text. The rows are read in place when exported,
// without moving the table's cursor: the table must stay as it is meanwhile.
ExportTable gridExportTable(const TDBGrid& grid, const PictureWords& words = {});

// "Exportar Lista": asks for a file ("Planilha Excel (*.xlsx)" or "CSV (*.csv)", window
// "dlgExportarLista"), writes the list shown by `grid` to it (with a cancellable progress
// dialog for long lists) and tells where it went. Failures are shown as errors.
void exportProposalList(ProposalReach& reach, const TDBGrid& grid, const PictureWords& words = {});

}  // namespace cot
