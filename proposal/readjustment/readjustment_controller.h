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
// controls live in the header's group, laid there by the header, and the header runs the
// checks of a post: the controller attaches itself to the header when it is made.
class ReadjustmentController : public ProposalArea {
public:
    ReadjustmentController(AreaHost& host, HeaderController& header);

    QString name() const override { return QStringLiteral("Reajuste"); }
    void build() override;
    // The split control follows the proposal under the cursor.
    void load(const ProposalKey& key) override;

    // The header lays the controls into its group "Reajuste" while it builds its panel.
    void layInto(TGroupBox& group);
    // Readjustment checks of a proposal's post (not run for a request), in their order.
    void checkBeforePost();
    // Index checks run again once the row is filled in (proposals only).
    void checkIndexesRequired();
    // Clears both indexes (a proposal turned into a request).
    void clearIndexes();
    // Split control: percentage 1 of 100 clears index 2 and takes it out of use; any
    // other percentage puts it in use. Only while the proposal is edited or inserted.
    void Controla_Faturamento();
    // Focuses the readjustment month (a client without one, on a proposal).
    void focusMonth() const;

private:
    // ----- checks (required: an empty value is an error)
    void Vd_IndiceReaj1(bool required);
    void Vd_IndiceReaj2(bool required);
    void Vd_TpIndiceReaj1(bool required);
    void Vd_TpIndiceReaj2(bool required);
    void Vd_PercInd1(bool required);
    // Whether percentage 1 is 100 (as typed when the edit holds a pending text).
    bool percentual1Cem() const;
    // Index 2 is in use (its checks run) while percentage 1 is below 100; the split
    // control and the index-2 lookup set it.
    void useIndexTwo(bool on) { indexTwoInUse_ = on; }

    // ----- lookups
    void btnPesqInd1BeforePesq();
    void btnPesqInd1AfterPesq();
    void btnPesqInd2BeforePesq();
    void btnPesqInd2AfterPesq();
    // Digits, point, backspace, tab and escape only (both percentage edits).
    static void dbePercent1KeyPress(QChar& key);

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

    TDBEdit *dbeInd1 = nullptr, *dbeIndTp1 = nullptr, *dbeNmIndiceReaj1 = nullptr, *dbePercent1 = nullptr;
    TDBEdit *dbeInd2 = nullptr, *dbeTpInd2 = nullptr, *dbeNmIndiceReaj2 = nullptr, *dbePercent2 = nullptr;
    TBtnPesquisa *btnPesqInd1 = nullptr, *btnPesqInd2 = nullptr;
    TDBComboBox *cbbReajuste = nullptr, *dbcMesReaj = nullptr;
    DataSource* dtsIndice = nullptr;
    TADOIBQuery qryPesqIndice{QStringLiteral("qryPesqIndice")};
    TADOIBQuery qryVerifTpIndiceReaj{QStringLiteral("qryVerifTpIndiceReaj")};
};

}  // namespace cot
