#pragma once
#include "proposal/reach/proposal_key.h"
#include "screens/roti_geral.h"

class QComboBox;

namespace cot {

class ProposalReach;
class TMemo;
class TSpeedButton;

// Marks the proposal version under the proposal screen's cursor as lost ("Proposta
// Perdida"): the motive (preset to the client's reason when he declined it) and an
// optional text. Confirming records the mark on the server (MarcarPerdida) and reloads the
// list on the same proposal; a refusal of the server is shown and the dialog stays open.
class TfrmPropostaPerdida : public TfrmRotiGeral {
    Q_OBJECT
public:
    static constexpr int kTextSize = 500;

    // `motive`: the code the combo starts on; empty leaves it unchosen.
    TfrmPropostaPerdida(ProposalReach& reach, const ProposalKey& key, const QString& motive, QWidget* parent = nullptr);

    void sbtConfirmaClick() override;
    void sbtCancelClick() override;  // Escape: as the cancel button

    // The chosen motive's code ("" for none).
    QString motive() const;

    QComboBox* cbbMotivo;
    TMemo* mmoMotivo;
    TSpeedButton* sbtCancela;

private:
    [[noreturn]] void refuse(QWidget* focus, const QString& text);

    ProposalReach& reach_;
    ProposalKey key_;
};

}  // namespace cot
