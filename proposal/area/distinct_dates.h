#pragma once
#include <QString>

namespace cot {

class ClientTable;
class TDBGrid;
class AreaHost;

// Confirmation check of an installment schedule: no two installments on the same day.
// A row being edited is posted first; a repeated date focuses the date column and ends
// the confirmation with "DATAJACAD".
void confirmDistinctDates(AreaHost& screen, ClientTable& schedule, ClientTable& copy,
                          const QString& dateField, TDBGrid* grid);

}  // namespace cot
