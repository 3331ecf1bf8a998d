#pragma once
#include <QMetaObject>
#include <memory>
#include <optional>

#include "data/packet.h"

#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QVBoxLayout;

namespace cot {

class ChildTableSave;
class DataSource;
class Field;
class HeaderController;
class LineInstallmentsArea;
class LineSystemsArea;
class ProposalReach;
class TDBComboBox;
class TDBDateEditPlus;
class TDBEdit;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TRadioButton;

// Product lines of the proposal: the grid page and the line form (identity, kind,
// processing mode and place, prices), the checks of a post in their order, the save after
// a post or delete, and the switch of the proposal's contract between LU/Manutenção and
// Locação. The form page's side column holds the line's systems and installments, which
// are areas of their own; a post drives them (first installment, re-split, new systems),
// and the line becoming current loads them. The contract is the one the header shows
// (ProposalModel): choosing another switches the proposal's lines.
class ProductLineArea : public ProposalArea {
public:
    // `dialogs`: the screen the systems dialog works on.
    ProductLineArea(AreaHost& host, HeaderController& header, ProposalReach& dialogs);
    ~ProductLineArea() override;

    // The areas beside the line form, which the lines drive, join them when they are made.
    void join(LineSystemsArea& systems) { systems_ = &systems; }
    void join(LineInstallmentsArea& installments) { installments_ = &installments; }

    QString name() const override { return QStringLiteral("Linha de Produto"); }
    QList<ClientTable*> tables() const override { return {cdsLinProd}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;
    void afterInclude() override;

    // The proposal's product lines (the area's table): the screen, the systems and the
    // installments beside the form and the services read the current line from it.
    ClientTable& lineTable() const { return *cdsLinProd; }
    // Column beside the line form, for the systems and the installments.
    QVBoxLayout* sideColumn() const { return side_; }
    // The grid or form tab of the lines was chosen (the screen's page handler).
    void pgcDadosContChange();
    // Whether the line form is the page shown.
    bool formShown() const;
    // Whether the lines' grid has the focus (the list page's routing).
    bool gridFocused() const;
    // Whether the kind shown on the line form is an access point.
    bool accessPointShown() const;
    // The current line's systems as one sorted, blank-separated text.
    QString systemCodes() const;
    // Focuses the line code: on the form when shown, otherwise the grid's column.
    void focusLineCode();
    // The systems dialog's answer for a line being inserted: the systems chosen, or none
    // because it was left without choosing (the line being posted is then refused).
    void takeChosenSystems(const Packet& chosen);
    void systemsGivenUp();
    // Shows the current proposal's contract on the header's radios without starting an edit.
    void showContract();
    // A click on the contract radios is the user's: the stored contract has been shown
    // and is not being shown now.
    bool contractClicksCount() const { return boTesta; }
    // The next type click on a line being edited offers to clear what the old type held.
    void offerClearingOnTypeClick() { boValidaLinp = true; }

private:
    // Colours of the line form for the contract and the line kind.
    void Controla_Formulario();

    // ----- table events of cdsLinProd
    void cdsLinProdBeforeInsertOrEdit();
    void cdsLinProdAfterInsert();
    void cdsLinProdBeforePost();
    void cdsLinProdAfterPost();
    void cdsLinProdAfterCancel();
    void cdsLinProdAfterDelete();
    void cdsLinProdAfterScroll();

    // ----- checks (report = true before a post: an empty value is an error)
    void Vd_CdLinProd(bool report);
    void Vd_NrUsuario(bool report);
    void Vd_QtPtoAcesso(bool inserting);
    void Vd_LinhaProduto();
    void Vd_QtMin(bool report);
    void Vd_VrLicUso(bool report);
    void Vd_VrManut(bool report);

    // ----- prices
    void Vd_Desconto(TDBEdit* unit, TDBEdit* discount, TNumberEdit* discounted);
    void Controla_Vr_Desconto();
    void nedVrComDescontoExit(bool monthly);
    void depCarenLuExit();

    // ----- radio buttons
    void rbtModoLocalClick(TRadioButton* clicked);
    void rbtTipoClick(bool accessPoint);
    // Contract switch (LU/Manutenção "M" or Locação "L") of the proposal being edited.
    void rbtContratoClick(const QString& code);
    // Shows the current line's kind, mode and place on their radio buttons without
    // starting an edit.
    void showLineRadios();

    // The line type for a kind under the contract checked on the header.
    QString lineType(bool accessPoint) const;
    // Whether the contract shown is LU/Manutenção / Locação.
    bool licence() const;
    bool rental() const;

    ClientTable *cdsLinProd, *cdsValidaLinhaProd, *cdsVd_TipoProposta;
    ClientTable *cdsVerificaLinhaProd, *cdsVdQtPtoAcesso;
    TADOIBQuery qryProduto{QStringLiteral("qryProduto")};
    DataSource* dtsLinProd;

    TDBGrid* dbgLinProd = nullptr;
    TPanel* Panel4 = nullptr;      // grid page panel
    TPanel* panLinProd = nullptr;  // line form: identity and prices
    TDBEdit *dbeCdLinProd = nullptr, *dbeNmLinProd = nullptr;
    TDBComboBox* dbcPlataforma = nullptr;
    TDBDateEditPlus* depCarenLu = nullptr;
    TDBEdit *dbeNrUsuLic = nullptr, *dbeQtdeLicenca = nullptr;
    TGroupBox *grbTipoLinha = nullptr, *grbModo = nullptr, *grbLocal = nullptr, *grbPrecos = nullptr;
    TRadioButton *rbtTpProduto = nullptr, *rbtTpPtoAcesso = nullptr;
    TRadioButton *rbtMatrizModo = nullptr, *rbtFilialMode = nullptr, *rbtMatrizLocal = nullptr, *rbtFilialLocal = nullptr;
    TDBEdit *dbeVrUnitLic = nullptr, *dbeDescLic = nullptr, *dbeVrUnitManutLoc = nullptr, *dbeDescManutLoc = nullptr;
    TNumberEdit *nedVrComDesconto = nullptr, *nedVrComDescontoManut = nullptr;

    // Screen state of the line checks: contract radio clicks are the user's, line radio
    // clicks are, a type click offers clearing.
    bool boTesta = false, boTestaLin = false, boValidaLinp = true;
    // The systems chosen for the line being inserted, and whether the dialog was left.
    ClientTable* cdsSistema;
    bool boCancela = false;
    // The line being posted was inserted (not yet posted since); the kind stored before
    // the last kind click, to go back to when the clearing it asks for is refused.
    bool newLine_ = false;
    QString previousType_;

    HeaderController& header_;
    ProposalReach& dialogs_;
    LineSystemsArea* systems_ = nullptr;
    LineInstallmentsArea* installments_ = nullptr;
    QMetaObject::Connection contractConnection_;

    void buildGridPage();
    void buildForm();
    void attachEvents();
    void attachCodeTexts();
    void attachFieldHandlers();
    void checkPrice(bool monthly, bool report);
    Field& f(const char* name) const;
    LineInstallmentsArea& installments() const;
    LineSystemsArea& systems() const;
    // Sends the line's change log (after a post or delete).
    void saveLines();
    // What a posted line still needs once the server holds it: its first installment,
    // the re-split of its schedule, the systems chosen for it. Kept with the line's key,
    // so it never lands on another line, and dropped once done or given up.
    struct FollowUp {
        QString line;
        bool firstInstallment = false;
        bool resplit = false;
        Packet systems;  // chosen in the dialog (new lines)
    };
    void runFollowUp();
    // The follow-up of a line whose change log the server has not taken yet, if any.
    const FollowUp* owedFollowUp() const;
    // Asks whether values that do not apply to the new kind may be cleared.
    void offerClearing(bool accessPoint);
    // Reloads the lines keeping the current one.
    void reloadLines();

    std::unique_ptr<ChildTableSave> save_;
    QVBoxLayout* side_ = nullptr;
    std::optional<FollowUp> followUp_;
    bool syncingRadios_ = false;  // radios being set from the record: their clicks change nothing
    // Shows `code` on the contract radios without running their clicks.
    void checkContract(const QString& code);
};

}  // namespace cot
