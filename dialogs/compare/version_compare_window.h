#pragma once
#include <QColor>
#include <QComboBox>
#include <QStringList>

#include "reach/proposal_key.h"
#include "screens/roti_geral.h"
#include "ui/control.h"

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBGrid;
class TLabel;
class TSpeedButton;
struct Packet;

// "Comparar Versões": two versions of the number under the proposal screen's cursor side
// by side. The versions offered are those the screen's list holds for the number; the
// window opens on the current version against the one before it (or after it, when it is
// the first) and compares them at once. The grid lists what changed, coloured by change
// (green added, red removed, amber changed); below it, the totals of each version.
// Every difference and total is the server's (GetComparacaoVersoes); a refusal is shown in
// its words and the grid keeps what it showed.
class TfrmComparaVersoes : public TfrmPadraoSimples {
    Q_OBJECT
public:
    using TComboBox = ControlWidget<QComboBox>;

    TfrmComparaVersoes(ProposalReach& reach, QWidget* parent = nullptr);

    void FormCreate() override;  // the default versions, compared

    // Compares the versions chosen in the two boxes.
    void sbtCompararClick();

    // The versions of `number` in the list, in order.
    static QStringList versionsOf(const ClientTable& list, const QString& number);
    // What the grid says of a change code, and the colour of its row.
    static QString changeText(const QString& code);
    static QColor changeColour(const QString& code);

    TComboBox *cbbVersao1, *cbbVersao2;
    TSpeedButton* sbtComparar;
    TDBGrid* dbgDiferencas;
    ClientTable* cdsDiferencas;
    DataSource* dtsDiferencas;
    TLabel *lblTotal1, *lblTotal2;

private:
    void createControls();
    void fillVersions();
    void showDifferences(const Packet& differences, const QString& first, const QString& second);
    static QString chosen(const TComboBox& box);

    ProposalReach& reach_;
    ProposalKey key_;
};

}  // namespace cot
