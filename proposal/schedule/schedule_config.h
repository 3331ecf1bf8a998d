#pragma once
// What tells one installment schedule from another: a product line's licence installments
// and the service package's installments are the same area (InstallmentScheduleArea) on
// different tables, fields, server methods, messages and widgets.
#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

namespace cot {

class ClientTable;

// The functions below answer for the area that configures the schedule: they reach the
// schedule's owner (the current line, the proposal's package) through what they capture.
struct InstallmentScheduleConfig {
    QString areaName;  // hints and the Verify command's report

    // ----- tables (object names) and their fields
    const char* scheduleTable = nullptr;    // the installments shown (cdsVenc_Valor)
    const char* sourceName = nullptr;       // its data source (dtsVenc_Valor)
    const char* takenDayTable = nullptr;    // answer of the taken-day check (cdsVenc)
    const char* firstDatesTable = nullptr;  // answer of GetMinDtVenc (cdsMinDtVenc)
    const char* copyTable = nullptr;        // copy for the distinct-dates check (cdsAux)
    void (*installmentFields)(ClientTable&) = nullptr;  // the schedule and its copy
    void (*dueDateFields)(ClientTable&) = nullptr;      // the two answers of one due date
    QString dueField, valueField;

    // ----- server
    QString setMethod;         // takes the schedule's change log (SetVencimento)
    int scheduleKind = 0;      // GetVenc_Valor's last argument: 1 a line's, 2 the package's
    int firstDatesAnswer = 0;  // which packet of GetMinDtVenc's answer holds this schedule's
    QString takenDayMethod;    // rows already on a day (ValidaVenc)
    std::function<QVariantList(const QDateTime& day)> takenDayArguments;

    // ----- catalogue messages
    QString totalMismatchKey;  // the installments do not add up (VALORMAIOR)
    QString noOwnerKey;        // a row without its owner (DATCODLIN); empty: never missing

    // ----- where the schedule belongs
    // The code the schedule is read under (GetVenc_Valor's third argument); none: the owner
    // has no schedule now and the grid is emptied.
    std::function<std::optional<QString>()> owner;
    // Whether a row may go in at all (false with a noOwnerKey refuses it).
    std::function<bool()> hasOwner;
    // Gives the row being posted the keys of its owner.
    std::function<void(ClientTable& schedule)> stampOwner;
    // Puts GetMinDtVenc's answer on this schedule's first date; false when it has none.
    std::function<bool(ClientTable& firstDates)> findFirstDate;
    // The value the installments split, before the interest of a long schedule.
    std::function<long double()> baseTotal;
    // Whether the schedule may be changed now.
    std::function<bool()> schedulable;
    // Whether Confirmar, with the schedule as the buttons' table, sends it.
    std::function<bool()> pageShown;

    // ----- widgets (object names and captions)
    const char* grid = nullptr;
    const char* count = nullptr;
    const char* total = nullptr;
    const char* note = nullptr;  // why the total is above the base
    const char* firstDate = nullptr;
    const char* generate = nullptr;
    QString generateCaption, generateTip;
    int dueColumnWidth = 0;  // 0: the column's own width
    // A grid that may not be changed is disabled (false) or read only (true).
    bool gridReadOnlyWhenClosed = false;
    // Entering the grid puts it on its first column.
    bool enterOnFirstColumn = false;
    // The generator's captions and controls one under another (true) or two pairs a row.
    bool stackedGenerator = false;
    bool noteWraps = false;
    // The total shown: what the installments must reach for their count (false), or what
    // they add up to (true).
    bool totalIsSum = false;
};

}  // namespace cot
