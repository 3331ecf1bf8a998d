#include "proposal/area/distinct_dates.h"

#include <QStringList>

#include "data/client_dataset.h"
#include "proposal/proposal_screen.h"
#include "services/consiste.h"
#include "ui/db_grid.h"

namespace cot {

void confirmDistinctDates(TfrmPropostaComercial& screen, ClientDataSet& schedule, ClientDataSet& copy,
                          const QString& dateField, TDBGrid* grid) {
    if (!schedule.active()) return;
    if (schedule.isEditing()) schedule.post();
    copy.setData(schedule.data());
    QStringList dates;
    for (int r = 0; r < schedule.rowCount(); ++r) {
        ClientDataSet::RowView view(schedule, r);
        if (!schedule[dateField].isNull()) dates << schedule[dateField].asString();
    }
    for (const QString& date : dates) {
        copy.setFilter(dateField + QStringLiteral(" ='") + date + u'\'');
        copy.setFiltered(true);
        const bool repeated = copy.recordCount() > 1;
        copy.setFiltered(false);
        copy.setFilter(QString());
        if (repeated) {
            if (schedule.controlsDisabled()) schedule.enableControls();
            if (grid->canFocus()) grid->setFocus();
            grid->setSelectedField(dateField);
            Consiste::MensErro(screen.msgPadrao.Msg(QStringLiteral("DATAJACAD")), true);
        }
    }
}

}  // namespace cot
