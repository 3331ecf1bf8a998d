#pragma once
#include <QChar>
#include <QMetaObject>
#include <QString>
#include <functional>
#include <memory>

#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QWidget;

namespace cot {

class DataSource;
class Field;
class TDBComboBox;
class TDBDateEditPlus;
class TDBEdit;
class TGroupBox;
class ReadjustmentController;
class TRadioButton;
class TBtnPesquisa;

// Proposal header (one row of cdsProposta, edited on the screen's panel panProp):
// number and defaults of a new proposal, the checks of a post in their order, the
// saves after a post or delete, the cancel, the lookups of client/prospect, contact,
// operators, interlocutor and commercial product, and the words shown for its codes.
// The readjustment indexes of the header are the ReadjustmentController's.
//
// The handlers keep the names the screen's design gives them; the table events and the
// controls' events are attached when the area is built.
class HeaderController : public ProposalArea {
public:
    explicit HeaderController(AreaHost& host);
    ~HeaderController() override;

    QString name() const override { return QStringLiteral("Proposta"); }
    QList<ClientTable*> tables() const override { return {cdsProposta_}; }
    void build() override;
    void route() override;
    void afterInclude() override;

    // The readjustment indexes, whose controller is made after the header and attaches itself.
    void attachReadjustment(ReadjustmentController& readjustment) { readjustment_ = &readjustment; }

    // ----- for the screen (the approval and the list)
    // Whether the request/proposal choice shows "Proposta".
    bool isProposta() const;
    // Shows the form page and focuses the readjustment month / the responsible operator.
    void focusReadjustmentMonth();
    void focusResponsible();
    // Whether `code` is an operator of a group authorised for proposals.
    bool operatorRegistered(const QString& code);
    // The document masks of the client and prospect lookups follow their person type.
    void followDocumentMasks();
    // Forgets that the client or prospect was checked in this edit: the next post checks
    // it again.
    void forgetPartyCheck() { partyChecked_ = false; }

    // ----- for the readjustment checks, which are the header's
    // Shows the form page (before focusing a header control that rejected a value).
    void showFormPage();
    // Focuses a control when it can take the focus.
    static void focus(QWidget* control);
    // Text of a key of the screen's catalogue.
    QString msg(const QString& key) const;
    // Shows the catalogue text of `key` as an error and ends the operation.
    [[noreturn]] void reject(const QString& key) const;

    // ----- the contract: the radios show it and report each choice to the ProposalModel
    // (chosen); the others mark one through ProposalModel::mark and observe contractChosen.
    // Focuses the radio of `code` ("M", "L" or "S") when it can take the focus.
    void focusContract(const QString& code) const;
    // The next save of the header switches the contract to `code` ("M" or "L") and converts
    // the stored product lines with it, in one transaction; empty: a plain save. Cleared
    // once saved or cancelled.
    void switchContractOnSave(const QString& code) { contractSwitch_ = code; }

private:
    ReadjustmentController& readjustment() const { return *readjustment_; }

    // ----- checks (report = true before a post: an empty value is an error and is shown;
    // false on leaving a field: an empty value passes)
    void Vd_Versao(bool report);
    void Vd_ClientePros(bool report);
    void Vd_OperSoli(bool report);
    void Vd_Contato(bool report);
    void Vd_OperResp(bool report);
    void Vd_InteClie(bool report);
    void Vd_DescProp();
    void Vd_ProdComer(bool report);

    // ----- table events of cdsProposta
    void cdsPropostaBeforeInsert();
    void cdsPropostaAfterInsert();
    void cdsPropostaBeforeEdit();
    void cdsPropostaAfterEdit();
    void cdsPropostaBeforePost();
    void cdsPropostaAfterPost();
    void cdsPropostaAfterCancel();
    void cdsPropostaAfterDelete();

    // ----- request/proposal choice
    void dbcTipoPropChange();

    // ----- lookups (before the list / after a choice)
    void btnPesqCliProsBeforePesq();
    void btnPesqCliProsAfterPesq();
    void btnPesqContatoBeforePesq();
    void btnPesqContatoAfterPesq();
    void btnPesqOperSoliBeforePesq();
    void btnPesqOperSoliAfterPesq();
    void btnPesqOperRespBeforePesq();
    void btnPesqOperRespAfterPesq();
    void btnPesqInterLocBeforePesq();
    void btnPesqInterLocAfterPesq();
    void btnPesqProdComerBeforePesq();
    void btnPesqProdComerAfterPesq();

    // ----- edit handlers
    void dbeCdCliProsEnter();
    void dbeCdCliProsChange();
    void dbeCdCliProsExit();
    void cbbCliProspChange();
    void dbeCdOperSoliChange();
    void dbeCdOperRespChange();
    void dbeContatoChange();
    void dbeCdInterLocChange();
    void dbeContatoExit();
    void dbeVersaoKeyPress(QChar& key);
    void dbeFaxChange();
    void dbeCdProdComerChange();
    void dbeCdProdComerExit();
    // Digits, backspace, tab and escape only (contact numbers).
    static void digitsOnlyKeyPress(QChar& key);
    // Letters (made upper case) and digits, backspace, tab and escape (operator and
    // commercial product codes).
    static void codeKeyPress(QChar& key);

    // Whether the client/prospect choice is the client (item 0).
    bool isClient() const;
    // Header controls are typed only while the proposal is edited or inserted.
    void setHeaderEnabled();

    // Operator lookups (requester and responsible): by code, and the chosen row copied.
    bool findOperator(TADOIBQuery& q, const QString& code);
    void takeOperator(TADOIBQuery& q, const char* codeField, const char* nameField);
    void createPanel();
    void defineQueries();
    void defineAnswerTables();
    void attachEvents();
    void attachDisplayHandlers();
    void setChildPagesEnabled(bool on);
    void showChildPagesOfContract();
    // Sends the change log of cdsProposta (after post and after delete); true when sent.
    bool saveProposal();
    // Readjustment month of the client last checked ("" when none).
    QString clientMonth() const;
    Field& f(const char* name) const;

    void createContract();
    // Marks the radio of `code` (asked through the ProposalModel); a radio turned on reports it.
    void markContract(const QString& code);
    TRadioButton* contractRadio(const QString& code) const;

    ClientTable* cdsProposta_;
    ReadjustmentController* readjustment_ = nullptr;
    // Whether the client or prospect was already checked in this edit; forgotten when the
    // edit ends or another starts, so the next post checks it again.
    bool partyChecked_ = false;
    // The proposal being posted is new: once saved it gets its automatic services.
    bool postingNew_ = false;
    TADOIBQuery* clientQuery_ = nullptr;  // query that found the client last (by code or document)
    QString stCdCliPros_;                 // client code as it was when its edit got the focus
    QMetaObject::Connection stateConnection_, markConnection_;
    // The contract the next save switches to ("" for a plain save).
    QString contractSwitch_;

    // ----- answers and host queries of the header's checks and lookups
    ClientTable *cdsValidaProposta, *cdsMaxVerPropFas, *cdsPesqContato, *cdsInterLoc, *cdsPesqInterLoc;
    ClientTable *cdsPesqProdComer, *cdsVd_ProdComer;
    // Systems of the lines that a commercial product typed does not cover.
    ClientTable* cdsValidaSistProd;
    TADOIBQuery qryPesqOperSoli{QStringLiteral("qryPesqOperSoli")};
    TADOIBQuery qryPesqCliente{QStringLiteral("qryPesqCliente")};
    TADOIBQuery qryPesqProspect{QStringLiteral("qryPesqProspect")};
    TADOIBQuery qryPesqOperResp{QStringLiteral("qryPesqOperResp")};
    TADOIBQuery qryPesqClieIns{QStringLiteral("qryPesqClieIns")};

    // ----- contract choice and version, at the top of the panel
    TGroupBox* grbContrato = nullptr;
    TRadioButton *rbtLuManut = nullptr, *rbtLocacao = nullptr, *rbtServico = nullptr;
    TDBEdit* dbeVersao = nullptr;

    // ----- controls of the header panel (created in panProp)
    TDBComboBox *dbcTipoProp = nullptr, *cbbCliProsp = nullptr;
    TDBEdit *dbeCdCliPros = nullptr, *dbeNmCliPros = nullptr, *dbeDsReferencia = nullptr;
    TDBDateEditPlus *depCadastro = nullptr, *depValidade = nullptr;
    TDBEdit *dbeCdOperSoli = nullptr, *dbeNmOperSoli = nullptr, *dbeContato = nullptr, *dbeNmContato = nullptr;
    TDBEdit *dbeFax = nullptr, *dbeEmail = nullptr;
    TDBEdit *dbeCdInterLoc = nullptr, *dbeNmInterLoc = nullptr, *dbeCdOperResp = nullptr, *dbeNmOperResp = nullptr;
    TDBEdit *dbeCdProdComer = nullptr, *dbeNmProdComer = nullptr;
    TBtnPesquisa *btnPesqCliPros = nullptr, *btnPesqContato = nullptr, *btnPesqOperSoli = nullptr,
                 *btnPesqInterLoc = nullptr, *btnPesqOperResp = nullptr, *btnPesqProdComer = nullptr;
    TGroupBox* grbReajuste = nullptr;

    // Lookup sources.
    DataSource *dtsPesqCliente = nullptr, *dtsPesqClieIns = nullptr, *dtsPesqProspect = nullptr,
               *dtsPesqOperSoli = nullptr, *dtsPesqOperResp = nullptr;
    DataSource *dtsPesqContato = nullptr, *dtsInterLoc = nullptr, *dtsPesqProdComer = nullptr;
};

}  // namespace cot
