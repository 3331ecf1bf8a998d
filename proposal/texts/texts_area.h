#pragma once
#include <memory>

#include "proposal/area/proposal_area.h"

namespace cot {

class ChildTableSave;
class DataSource;
class ProposalReach;
class TDBGrid;
class TDBRichEdit;
class TFormatPanel;
class TGroupBox;
class TSpeedButton;

// Proposal texts: the grid of texts by code and order, and the rich text of the current one.
//
// A text's code comes from the register of standard texts (the code column's edit button)
// and can be typed only in a new row; its order is a whole number up to 999. Both are unique
// in the proposal version: the server is asked before a post whenever either changed. Every
// post and delete is sent with SetMensagem. The whole set can be regenerated from the
// standard texts (Regerar Texto da Proposta), the set a regeneration replaced brought back
// (sbtRestauraTexto), and standard texts added through their dialog (sbtInsTexto).
class TextsArea : public ProposalArea {
public:
    // `reach` is what the standard-text dialog opened from the page works on.
    TextsArea(AreaHost& host, ProposalReach& reach);
    ~TextsArea() override;

    QString name() const override { return QStringLiteral("Texto"); }
    QList<ClientTable*> tables() const override { return {cdsMensagem}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;

    // Regenerates the whole set from the standard texts (the screen's Regerar Texto).
    void sbtRegeraTextoClick();
    // Reads the texts again when the page shows them and no text is being edited: the
    // standard-text dialog adds texts on the server only.
    void reloadShown();

    ClientTable* cdsMensagem;

private:
    // ----- checks (texts_checks.cpp)
    void Vd_Mensagem(bool report);
    void Vd_Ordem(bool report);
    void cdsMensagemBeforeEdit();
    void cdsMensagemAfterInsert();
    void cdsMensagemBeforePost();
    void cdsMensagemAfterPost();
    void cdsMensagemAfterCancel();

    // ----- grid (texts_grid.cpp)
    void dbgDescPropColExit();
    void dbgDescPropEditButtonClick();
    void dbgDescPropKeyPress(QChar& key);
    void dbgDescPropKeyDown(int& key, Qt::KeyboardModifiers modifiers);

    // ----- the page's buttons (texts_regenerate.cpp)
    // Brings back the texts the last regeneration replaced (a second time: undoes itself).
    void sbtRestauraTextoClick();
    void sbtInsTextoClick();

    ClientTable *cdsValidaOrdem, *cdsValidaMsg, *cdsPesqMsg;
    DataSource *dtsMensagem, *dtsPesqMsg;
    TGroupBox* grbDescProp = nullptr;
    TDBGrid* dbgDescProp = nullptr;
    TSpeedButton *sbtInsTexto = nullptr, *sbtRestauraTexto = nullptr;
    TFormatPanel* fpnDesc = nullptr;
    TDBRichEdit* dreMensagem = nullptr;

    bool shown() const;
    bool proposalShown() const;
    // A field of the current text, as the user would reach it: the grid's column, or the
    // editor for the text itself (its page brought to the front).
    void focusField(const QString& field);
    bool lookupOnlyColumn() const;
    // The editor, its toolbar and the page's own buttons, for the table's state.
    void settleControls();
    // Reads the texts again after the server changed them all.
    void reloadAfterServer();

    ProposalReach& reach_;
    std::unique_ptr<ChildTableSave> save_;
    bool movingColumn_ = false;
    // Code and order of the current row when its edit began: unchanged, they are not
    // checked against themselves.
    QString codeBeforeEdit_, orderBeforeEdit_;  // the checks move the grid's column: no column-exit checks then
};

}  // namespace cot
