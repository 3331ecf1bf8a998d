#pragma once
#include <QMainWindow>

#include "form.h"
#include "services/messages.h"

class QLabel;

namespace cot {

class ClientTable;
class DataSource;
class Field;
class TDBGrid;
class TMainMenu;
class TMenuItem;
class TPageControl;
class TPanel;
class TSpeedButton;
class TTabSheet;

// Grid-and-form maintenance screen. The maintenance actions (include, alter, delete,
// confirm, cancel, find, verify) work on the table that `dtsPadrao` serves at the time;
// a screen with several tables re-points dtsPadrao when one of its grids or panels
// takes the focus. Every handler is virtual so the derived screen can override it and
// still call the default one.
//
// Layout: menu `mnuMenu` (entry "&Manutenção" with the maintenance entries), the toolbar
// panel `panBotoes` (`sbt...` buttons; each maintenance button mirrors its menu entry's
// enabled state), the page control `pgcPadrao` with the list page `tshPadrao` (grid
// `dbgPadrao` on dtsPadrao) and the form page, the navigator caption `lblNavegador` and
// the screen code `lblCodTela`.
class TfrmPadraoGrid : public TForm<QMainWindow> {
    Q_OBJECT
public:
    struct Options {
        QString screenCode;
        QString caption;
        QString formPageName = QStringLiteral("tshFormulario");
        QString formPageCaption = QStringLiteral("Formulário");
        QString messagesPath;  // the screen's catalogue (file or ":/resource"); optional
    };
    explicit TfrmPadraoGrid(const Options& options, QWidget* parent = nullptr);
    ~TfrmPadraoGrid() override;

    QString screenCode() const { return screenCode_; }
    TTabSheet* formPage() const { return formPage_; }
    // The table the maintenance actions work on now (nullptr when none).
    ClientTable* activeTable() const;
    // Re-points dtsPadrao (runs dtsPadraoStateChange).
    void setActiveTable(ClientTable* table);

    // Controls of `panel` are enabled only while `table` is being edited or inserted.
    void setFormPanel(QWidget* panel, ClientTable* table);
    // The navigator caption shows `fieldName` of the current row of `table`.
    void setNavigatorCaption(ClientTable* table, const QString& fieldName);

    // ----- maintenance handlers (defaults act on activeTable())
    virtual void sbtIncluirClick();    // append a row
    virtual void sbtAlterarClick();    // edit the current row
    virtual void sbtExcluirClick();    // delete after "ConfExcl" answered Yes
    virtual void sbtConfirmarClick();  // post
    virtual void sbtCancelarClick();   // "Canc" answered Yes: cancel
    virtual void sbtProcurarClick();   // find dialog
    virtual void sbtVerificarClick();  // reload: the default re-reads the bound controls
    virtual void sbtImprimirClick() {}
    virtual void sbtAjudaClick() {}
    virtual void sbtFecharClick();     // close
    // Enables the entries for the state of dtsPadrao's table; runs on every state change
    // and re-pointing of dtsPadrao. Toolbar buttons follow their menu entries.
    virtual void dtsPadraoStateChange();

    // ----- components
    TMessages msgPadrao;
    const TMessages& msgMensagensPadroes;
    DataSource* dtsPadrao;
    TMainMenu* mnuMenu;
    TMenuItem* mnuManutencao;
    TMenuItem *mnuIncluir, *mnuAlterar, *mnuExcluir, *mnuProcurar, *mnuVerificar, *mnuCancelar, *mnuConfirmar;
    TPanel* panBotoes;
    TSpeedButton *sbtIncluir, *sbtAlterar, *sbtExcluir, *sbtProcurar, *sbtVerificar, *sbtCancelar, *sbtConfirmar;
    TSpeedButton *sbtImprimir, *sbtAjuda, *sbtFechar;
    TPageControl* pgcPadrao;
    TTabSheet* tshPadrao;
    TDBGrid* dbgPadrao;
    QLabel* lblNavegador;
    QLabel* lblCodTela;

    // Whether the active table (or `table`) is being edited or inserted.
    bool editing() const;
    static bool editing(const ClientTable* table);

private:
    void updateFormPanel();
    void updateNavigator();
    QString screenCode_;
    TTabSheet* formPage_;
    QWidget* formPanel_ = nullptr;
    ClientTable* formTable_ = nullptr;
    ClientTable* navigatorTable_ = nullptr;
    QString navigatorField_;
    QList<QMetaObject::Connection> formConnections_, navigatorConnections_;
};

}  // namespace cot
