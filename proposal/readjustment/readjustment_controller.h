#pragma once
#include <QChar>
#include <QString>

#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QWidget;

namespace cot {

class ClientTable;
class DataSource;
class Field;
class HeaderController;
class TBtnPesquisa;
class TDBComboBox;
class TDBEdit;
class TGroupBox;

// Readjustment of a proposal's prices: one index, or two whose percentages add up to
// 100, with the kind (yearly, every two years) and the month. Fields of cdsProposta
// edited in the header's group "Reajuste".
//
// Index 2 is in use while percentage 1 is below 100; its checks do nothing otherwise. The
// controls live in the header's group and the header runs the checks of a post: the
// controller attaches itself to the header when it is made.
class ReadjustmentController : public ProposalArea {
public:
    ReadjustmentController(AreaHost& host, HeaderController& header);

    QString name() const override { return QStringLiteral("Reajuste"); }
    void build() override;
    // The split control follows the proposal under the cursor.
    void load(const ProposalKey& key) override;

    // ----- checks (required: an empty value is an error)
    void Vd_IndiceReaj1(bool required);
    void Vd_IndiceReaj2(bool required);
    void Vd_TpIndiceReaj1(bool required);
    void Vd_TpIndiceReaj2(bool required);
    void Vd_PercInd1(bool required);

    // Split control: percentage 1 of 100 clears index 2 and takes it out of use; any
    // other percentage puts it in use. Only while the proposal is edited or inserted.
    void Controla_Faturamento();

    // Readjustment checks of a proposal's post (not run for a request), in their order;
    // ends with the responsible operator.
    void checkBeforePost();
    // Index checks run again once the row is filled in (proposals only).
    void checkIndexesRequired();
    // Clears both indexes (a proposal turned into a request).
    void clearIndexes();
    // Whether percentage 1 is 100 (as typed when the edit holds a pending text).
    bool percentual1Cem() const;
    // Whether index 2 is in use (its checks run); the split control and the index-2
    // lookup set it.
    bool indexTwoInUse() const { return indexTwoInUse_; }
    void useIndexTwo(bool on) { indexTwoInUse_ = on; }

    // ----- lookups
    void btnPesqInd1BeforePesq();
    void btnPesqInd1AfterPesq();
    void btnPesqInd2BeforePesq();
    void btnPesqInd2AfterPesq();
    // Digits, point, backspace, tab and escape only (both percentage edits).
    static void dbePercent1KeyPress(QChar& key);

    TDBEdit *dbeInd1, *dbeIndTp1, *dbeNmIndiceReaj1, *dbePercent1;
    TDBEdit *dbeInd2, *dbeTpInd2, *dbeNmIndiceReaj2, *dbePercent2;
    TBtnPesquisa *btnPesqInd1, *btnPesqInd2;
    TDBComboBox *cbbReajuste, *dbcMesReaj;
    DataSource* dtsIndice;
    TADOIBQuery qryPesqIndice{QStringLiteral("qryPesqIndice")};
    TADOIBQuery qryVerifTpIndiceReaj{QStringLiteral("qryVerifTpIndiceReaj")};

private:
    void createControls(TGroupBox* group);
    void defineQueries();
    void attachEvents();
    void attachDisplayHandlers();
    // Type check of one index: copies type, name and periodicity when found.
    // Index `which` (1 or 2) and its type and percentage must be given (before a post).
    void requireIndex(int which);
    bool verifyType(const QString& index, const QString& type, int which);
    void checkIndex(const char* fieldName, QWidget* edit, const QString& emptyKey, const QString& unknownKey,
                    bool required);
    void copyChosenIndex(int which);
    bool editing() const;
    Field& f(const char* name) const;

    HeaderController& h_;
    ClientTable* cdsProposta_;
    bool indexTwoInUse_ = false;
};

}  // namespace cot
