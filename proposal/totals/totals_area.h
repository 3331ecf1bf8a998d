#pragma once
#include "proposal/area/proposal_area.h"

class QLabel;

namespace cot {

class TLabel;
class TPanel;

// The running total under the proposal's form: the licence of use and the services, their
// sum the one-off value ("Valor único"), the monthly value ("Mensal": maintenance or
// rental) and the sum of every installment schedule, as the server holds them
// (GetTotaisProposta) and as the list, the pipeline and the client's page show them. It is read with the proposal and again after
// every change the server takes, so the figures are the ones the approval will charge.
// A rental proposal has no licence, and a service-only one neither licence nor monthly
// value: those figures are not shown.
class TotalsArea : public ProposalArea {
public:
    explicit TotalsArea(AreaHost& host);

    QString name() const override { return QStringLiteral("Totais"); }
    void build() override;
    void load(const ProposalKey& key) override;
    void clear() override;
    void proposalChanged() override;

private:
    TPanel* panTotais = nullptr;
    TLabel *lblTotLicenca = nullptr, *lblTotServicos = nullptr, *lblTotUnico = nullptr, *lblTotMensal = nullptr,
           *lblTotParcelas = nullptr;

    bool shown() const;
    void show(const QList<double>& figures, const QString& contract);
    QLabel *lblCapLicenca_ = nullptr, *lblCapMensal_ = nullptr;
};

}  // namespace cot
