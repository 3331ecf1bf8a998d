#pragma once
#include "reach/proposal_key.h"
#include "screens/roti_geral.h"

class QComboBox;
class QLabel;

namespace cot {

class ProposalReach;
class TMemo;
class TSpeedButton;

// What the dialog starts with: the client's own reason and comment when he declined the
// version on his page; empty otherwise.
struct LostStart {
    QString motive;   // a motive code ("" leaves it unchosen)
    QString comment;  // kept with the loss unless the user changes it
};

// Marks the proposal version under the proposal screen's cursor as lost ("Proposta
// Perdida"), naming it on top ("Proposta 15/02 — Cliente"): the motive and an optional
// text, both preset to what the client gave when he declined it. Confirming records the mark on the server (MarcarPerdida) and reloads the
// list on the same proposal; a refusal of the server is shown and the dialog stays open.
class TfrmPropostaPerdida : public TfrmRotiGeral {
    Q_OBJECT
public:
    static constexpr int kTextSize = 500;

    TfrmPropostaPerdida(ProposalReach& reach, const ProposalKey& key, const LostStart& start,
                        QWidget* parent = nullptr);

    void sbtConfirmaClick() override;
    void sbtCancelClick() override;  // Escape: as the cancel button

    // The chosen motive's code ("" for none).
    QString motive() const;

    QLabel* lblProposta;
    QComboBox* cbbMotivo;
    TMemo* mmoMotivo;
    TSpeedButton* sbtCancela;

private:
    [[noreturn]] void refuse(QWidget* focus, const QString& text);

    ProposalReach& reach_;
    ProposalKey key_;
};

}  // namespace cot
