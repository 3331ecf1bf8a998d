#include "dialogs/lost/lost_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <exception>

#include "base/errors.h"
#include "dialogs/filter_reload.h"
#include "dialogs/lost/lost_motives.h"
#include "dialogs/proposal_heading.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"

namespace cot {

TfrmPropostaPerdida::TfrmPropostaPerdida(ProposalReach& reach, const ProposalKey& key, const LostStart& start,
                                         QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("COT05000"), QStringLiteral("Proposta Perdida"), parent), reach_(reach), key_(key) {
    setObjectName(QStringLiteral("frmPropostaPerdida"));
    auto* grid = new QGridLayout(panPrincipal);
    lblProposta = new QLabel(QStringLiteral("Proposta ") + proposalHeading(reach.proposal()), panPrincipal);
    lblProposta->setObjectName(QStringLiteral("lblProposta"));
    lblProposta->setTextFormat(Qt::PlainText);
    QFont bold = lblProposta->font();
    bold.setBold(true);
    lblProposta->setFont(bold);
    cbbMotivo = new QComboBox(panPrincipal);
    cbbMotivo->setObjectName(QStringLiteral("cbbMotivo"));
    for (const LostMotive& m : lostMotives()) cbbMotivo->addItem(QString::fromUtf8(m.name), QString::fromLatin1(m.code));
    cbbMotivo->setCurrentIndex(cbbMotivo->findData(start.motive.trimmed().toUpper()));
    mmoMotivo = new TMemo(QStringLiteral("mmoMotivo"), panPrincipal);
    mmoMotivo->setMinimumSize(380, 110);
    mmoMotivo->setText(start.comment.trimmed());
    auto* motiveLabel = new QLabel(QStringLiteral("Motivo"), panPrincipal);
    motiveLabel->setBuddy(cbbMotivo);
    auto* textLabel = new QLabel(QStringLiteral("Detalhes"), panPrincipal);
    textLabel->setBuddy(mmoMotivo);
    grid->addWidget(lblProposta, 0, 0, 1, 2);
    grid->addWidget(motiveLabel, 1, 0);
    grid->addWidget(cbbMotivo, 1, 1);
    grid->addWidget(textLabel, 2, 0, Qt::AlignTop);
    grid->addWidget(mmoMotivo, 2, 1);
    grid->setColumnStretch(1, 1);

    sbtConfirma->setText(QStringLiteral("Confirmar"));
    sbtConfirma->setToolTip(QStringLiteral("Confirmar"));
    // The dialog's own cancel button; the base's plain one is not offered.
    sbtCancel->hide();
    sbtCancela = new TSpeedButton(QStringLiteral("sbtCancela"), panBotoes, QStringLiteral("Cancelar"));
    sbtCancela->setToolTip(QStringLiteral("Cancelar"));
    panBotoes->layout()->addWidget(sbtCancela);
    sbtCancela->onClick = [this] { sbtCancelClick(); };
}

QString TfrmPropostaPerdida::motive() const { return cbbMotivo->currentData().toString(); }

void TfrmPropostaPerdida::refuse(QWidget* focus, const QString& text) {
    if (focus && focus->isVisible()) focus->setFocus();
    Consiste::MensErro(text);
    throw Abort();  // MensErro ends the operation; this keeps the compiler sure of it
}

void TfrmPropostaPerdida::sbtConfirmaClick() {
    if (motive().isEmpty()) refuse(cbbMotivo, QStringLiteral("Escolha o motivo da perda."));
    const QString text = mmoMotivo->text().trimmed();
    if (text.size() > kTextSize)
        refuse(mmoMotivo, QStringLiteral("O texto do motivo da perda deve ter no máximo %1 caracteres.").arg(kTextSize));

    // A refusal of the server (accepted or marked meanwhile) is shown with the dialog as it
    // was; once recorded, a reload that fails is shown on its own and the dialog still closes.
    std::exception_ptr refusal;
    {
        BusyScope busy;
        try {
            reach_.net().callChecked(QStringLiteral("MarcarPerdida"), {key_.nr, key_.ver, motive(), text});
        } catch (...) {
            refusal = std::current_exception();
        }
        if (!refusal) {
            runHandler([this] { Cli_cot05002::Atualiza_Tela(reach_); });
            closeWith(mrOk);
        }
    }
    if (refusal) {
        activateWindow();
        std::rethrow_exception(refusal);
    }
}

void TfrmPropostaPerdida::sbtCancelClick() { closeWith(mrCancel); }

}  // namespace cot
