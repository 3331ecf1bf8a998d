// The proposal list: columns, codes shown as words and the status picture.
#include <QPainter>

#include "data/client_dataset.h"
#include "data/data_source.h"
#include "proposal/proposal_screen.h"
#include "proposal/proposal_list_status.h"
#include "base/clock.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

struct ListColumn {
    const char* field;
    const char* title;  // nullptr: the field's label
    int width;
};

const ListColumn kListColumns[] = {
    {"IDSITUACAO", " ", 27},       {"PROPOSTAVERS", "Proposta", 84}, {"DSREFEPROPOSFAS", nullptr, 244},
    {"IDTIPOPROPFAS", nullptr, 103}, {"IDSOLPROPFAS", nullptr, 69},  {"NRCONTATO", nullptr, 52},
    {"IDCLIENPROSP", "Contratante", 62}, {"NOME", "Nome do Contratante", 201}, {"DTPROPOSFAS", nullptr, 90},
    {"DTACEPROPFAS", nullptr, 90}, {"DTVALPROPFAS", nullptr, 90},   {"OPERSOLI", nullptr, 199},
    {"ANEXO", "Anexo", 0},
};

}  // namespace

ProposalListStatus proposalListStatus(const QDateTime& accepted, const QDateTime& validUntil, const QDate& today) {
    if (accepted.isValid()) return ProposalListStatus::Accepted;
    if (!validUntil.isValid()) return ProposalListStatus::Valid;
    const qint64 days = today.daysTo(validUntil.date());
    if (days < 0) return ProposalListStatus::Expired;
    if (days <= 10) return ProposalListStatus::Expiring;
    return ProposalListStatus::Valid;
}

void TfrmPropostaComercial::setupListGrid() {
    dtsPadrao->setDataSet(cdsProposta);
    dbgPadrao->setReadOnly(true);
    for (const ListColumn& c : kListColumns)
        dbgPadrao->addColumn(QString::fromLatin1(c.field), c.title ? QString::fromUtf8(c.title) : QString(), c.width);
    setNavigatorCaption(cdsProposta, QStringLiteral("PROPNOME"));

    // One-letter codes shown as the catalogue's words; unknown words leave the code alone.
    const auto word = [this](const char* key) { return msgPadrao.Msg(QString::fromUtf8(key)); };
    Field& request = (*cdsProposta)["IDSOLPROPFAS"];
    request.onGetText = [word](Field& f, bool) {
        if (f.isNull()) return QString();
        return f.asString() == QLatin1String("S") ? word("Solicitação") : word("Proposta");
    };
    request.onSetText = [word](Field& f, const QString& text) {
        f.setAsString(text == word("Solicitação") ? QStringLiteral("S") : QStringLiteral("N"));
    };
    Field& party = (*cdsProposta)["IDCLIENPROSP"];
    party.onGetText = [word](Field& f, bool) {
        const QString code = f.asString();
        if (code == QLatin1String("C")) return word("Cliente");
        if (code == QLatin1String("P")) return word("Prospect");
        return QString();
    };
    party.onSetText = [word](Field& f, const QString& text) {
        if (text == word("Cliente")) f.setAsString(QStringLiteral("C"));
        else if (text == word("Prospect")) f.setAsString(QStringLiteral("P"));
    };
    (*cdsProposta)["IDTIPOPROPFAS"].onGetText = [word](Field& f, bool) {
        const QString code = f.asString();
        if (code == QLatin1String("M")) return word("LU/Manutencao");
        if (code == QLatin1String("L")) return word("Locacao");
        return word("Servico");
    };

    // Status picture: a coloured dot by calendar day; nothing for accepted proposals.
    dbgPadrao->onDrawColumnCell = [this](QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state) {
        if (column.fieldName != QLatin1String("IDSITUACAO")) {
            const bool accepted = !(*cdsProposta)["DTACEPROPFAS"].isNull();
            const bool request = (*cdsProposta)["IDSOLPROPFAS"].asString() == QLatin1String("S");
            if (!(state & gdSelected) && (accepted || request))
                painter.setPen(accepted ? QColor(Qt::gray) : QColor(Qt::red));
            dbgPadrao->defaultDrawColumnCell(painter, rect, column, state);
            return;
        }
        painter.fillRect(rect, painter.brush());
        QColor colour;
        switch (proposalListStatus((*cdsProposta)["DTACEPROPFAS"].asDateTime(),
                                   (*cdsProposta)["DTVALPROPFAS"].asDateTime(), Clock::current().today())) {
        case ProposalListStatus::Expired: colour = Qt::red; break;
        case ProposalListStatus::Expiring: colour = Qt::yellow; break;
        case ProposalListStatus::Valid: colour = Qt::green; break;
        case ProposalListStatus::Accepted: return;
        }
        const int d = qMin(rect.height(), rect.width()) - 6;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(colour.darker(150));
        painter.setBrush(colour);
        painter.drawEllipse(QRect(rect.left() + (rect.width() - d) / 2, rect.top() + (rect.height() - d) / 2, d, d));
        painter.restore();
    };
}

}  // namespace cot
