#include "proposal/area/distinct_dates.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>

#include "data/client_table.h"
#include "proposal/area/area_host.h"
#include "services/messages.h"
#include "services/consiste.h"
#include "ui/db_grid.h"

namespace cot {

void confirmDistinctDates(AreaHost& screen, ClientTable& schedule, ClientTable& copy,
                          const QString& dateField, TDBGrid* grid) {
    if (!schedule.active()) return;
    if (schedule.isEditing()) schedule.post();
    copy.setData(schedule.data());
    // Dates are compared as values (day and time of day), never through a filter text.
    const auto datesOf = [&](const ClientTable& table) {
        QList<QPair<qint64, int>> out;
        for (int r = 0; r < table.rowCount(); ++r) {
            ClientTable::RowView view(table, r);
            const QDateTime date = table[dateField].asDateTime();
            if (date.isValid()) out << qMakePair(date.date().toJulianDay(), date.time().msecsSinceStartOfDay());
        }
        return out;
    };
    QHash<QPair<qint64, int>, int> stored;
    for (const auto& date : datesOf(copy)) ++stored[date];
    for (const auto& date : datesOf(schedule)) {
        const bool repeated = stored.value(date) > 1;
        if (repeated) {
            if (schedule.controlsDisabled()) schedule.enableControls();
            if (grid->canFocus()) grid->setFocus();
            grid->setSelectedField(dateField);
            Consiste::MensErro(screen.messages().Msg(QStringLiteral("DATAJACAD")), true);
        }
    }
}

}  // namespace cot
