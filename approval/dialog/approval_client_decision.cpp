// The client's decision on the proposal being approved, as he recorded it on his page.
#include "approval/dialog/approval_dialog.h"

#include <QLabel>

#include "data/packet.h"
#include "dialogs/lost/lost_motives.h"
#include "reach/proposal_reach.h"

namespace cot {

QString clientDecisionText(const Packet& decision) {
    if (decision.rows.isEmpty()) return {};
    const auto text = [&](const char* field) {
        return decision.value(0, QString::fromLatin1(field)).toString().trimmed();
    };
    const QString kind = text("IDDECISAO");
    const QString when =
        decision.value(0, QStringLiteral("DTDECISAO")).toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    if (kind == QLatin1String("A")) {
        QString who = text("NMRESPDECISAO");
        const QString role = text("DSCARGODECISAO");
        if (!role.isEmpty()) who += QStringLiteral(" (%1)").arg(role);
        return QStringLiteral("Decisão do cliente: aceita em %1 por %2.").arg(when, who);
    }
    if (kind == QLatin1String("R")) {
        QString out = QStringLiteral("Decisão do cliente: recusada em %1").arg(when);
        const QString motive = lostMotiveName(text("IDMOTIVO"));
        out += motive.isEmpty() ? QStringLiteral(".") : QStringLiteral(" — motivo: %1.").arg(motive);
        const QString comment = text("TXCOMENTARIO");
        if (!comment.isEmpty()) out += u' ' + comment;
        return out;
    }
    return {};
}

void TfrmAprovacao::showClientDecision() {
    ProposalReach& s = screen_;
    const ProposalKey key = s.key();
    const QString line =
        clientDecisionText(s.net().getPacket(QStringLiteral("GetDecisaoCliente"), {key.nr, key.ver}));
    lblDecisaoCliente->setText(line);
    lblDecisaoCliente->setVisible(!line.isEmpty());
}

}  // namespace cot
