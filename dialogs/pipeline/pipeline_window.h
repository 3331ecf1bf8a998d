#pragma once
#include <QComboBox>
#include <QDate>

#include "dialogs/pipeline/pipeline_drill.h"
#include "screens/roti_geral.h"
#include "ui/control.h"

class QChart;
class QChartView;
class QColor;
class QLineSeries;
class QStackedBarSeries;

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDateEditPlus;
class TDBGrid;
class TLabel;
class TSpeedButton;
struct Packet;

// "Painel de Propostas": the branch's proposals of a period by status, by salesperson and
// by month, with the conversion and the time to a decision. Every figure is the server's
// (GetPainelPropostas), counted per deal (a proposal number once), with its one-off value
// ("Valor único") and its monthly value ("Mensal"); the chart shows each month's deals by
// status in bars and their one-off value in reais in a line. A bar segment of the chart,
// or a double click on a status row, closes the window and lists those proposals on the
// proposal screen through the filter's criteria, every version of them (the filter has no
// salesperson: the screen's list keeps the operator's own rule for that).
class TfrmPainelPropostas : public TfrmPadraoSimples {
    Q_OBJECT
public:
    using TComboBox = ControlWidget<QComboBox>;

    TfrmPainelPropostas(ProposalReach& reach, QWidget* parent = nullptr);

    void FormCreate() override;  // the default period, loaded at once

    // Loads the figures for the period and salesperson chosen.
    void sbtAtualizarClick();
    // Lists the versions of `status` (empty: any) of `month` ("yyyy-mm"; empty: the whole
    // period) counted for `seller` (empty: any) on the proposal screen and closes the window.
    void drill(const QString& status, const QString& month, const QString& seller);

    // The status codes in the server's order, and the colour of each in the chart.
    static const QStringList& statusCodes();
    static QColor statusColour(const QString& code);
    // The first day of the month eleven months before `today`.
    static QDate defaultStart(const QDate& today);
    // "42,0 %" / "12,5"; empty for a null.
    static QString percentText(const QVariant& fraction);
    static QString daysText(const QVariant& days);

    TDateEditPlus *edtDe, *edtAte;
    TLabel* lblFilial;
    TComboBox* cbbVendedor;
    TSpeedButton* sbtAtualizar;
    TDBGrid *dbgSituacao, *dbgVendedor;
    ClientTable *cdsSituacao, *cdsVendedor;
    DataSource *dtsSituacao, *dtsVendedor;
    TLabel *lblConversao, *lblDiasDecisao;
    QChartView* chvMeses;
    QStackedBarSeries* serMeses = nullptr;
    QLineSeries* serValores = nullptr;  // the one-off value of each month, in reais
    QStringList months;  // the chart's categories as "yyyy-mm"

private:
    void createControls();
    TDBGrid* createGrid(const char* name, DataSource* source, const QString& keyTitle);
    void showFigures(const Packet& figures);
    void showChart(const Packet& figures);
    void fillSalespeople(const Packet& figures);

    ProposalReach& reach_;
    QDate shownFrom_, shownTo_;  // the period the figures shown are of
    QString shownSeller_;
};

}  // namespace cot
