#pragma once
#include "proposal/area/proposal_area.h"

class QLabel;

namespace cot {

class TLabel;
class TPanel;

// The running total under the proposal's form: the licence of use, the monthly value
// (maintenance or rental), the services and the sum of every installment schedule, as
// the server holds them (GetTotaisProposta). It is read with the proposal and again after
// every change the server takes, so the figures are the ones the approval will charge.
// A rental proposal has no licence, and a service-only one neither licence nor monthly
// value: those figures are not shown.
class TotalsArea : public ProposalArea {
public:
    explicit TotalsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {}

    QString name() const override { return QStringLiteral("Totais"); }
    void build() override;
    void load(const ProposalKey& key) override;
    void clear() override;
    void proposalChanged() override;

    TPanel* panTotais = nullptr;
    TLabel *lblTotLicenca = nullptr, *lblTotMensal = nullptr, *lblTotServicos = nullptr, *lblTotParcelas = nullptr;

private:
    bool shown() const;
    void show(const QList<double>& figures, const QString& contract);
    QLabel *lblCapLicenca_ = nullptr, *lblCapMensal_ = nullptr;
};

}  // namespace cot
