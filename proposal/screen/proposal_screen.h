#pragma once
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "proposal/area/area_host.h"
#include "proposal/area/proposal_area.h"
#include "proposal/area/proposal_model.h"
#include "reach/proposal_reach.h"
#include "rpc/net_connection.h"
#include "screens/padrao_grid.h"
#include "services/local_query.h"

class QTimer;

namespace cot {

class ChildTableSave;
class ClientTable;
class HeaderController;
class LineInstallmentsArea;
class LineSystemsArea;
class ProductLineArea;
class ServiceInstallmentsArea;
class ServicesArea;
class TextsArea;
class DataSource;
class ListAttachments;
class ListFilter;
class ProposalListBar;

// The commercial proposal screen (COT05000): the list of the branch's proposals and, for
// the proposal under the cursor, the editor of its header, product lines, services,
// simulations, texts and observation.
//
// The screen owns the proposal list (cdsProposta), the connection, the page controls and
// the menus; everything else is an area (proposal/area/proposal_area.h) registered in
// `registerAreas`. The screen loops over its areas: to build, route the focus, load the
// proposal under the cursor, enable the entries and run the maintenance buttons.
// The screen's tests reach an area through area<T>(); the dialogs and the approval reach
// the screen only through ProposalReach (proposal/reach), which it implements in
// screen_reach.cpp.
class TfrmPropostaComercial : public TfrmPadraoGrid, public ProposalReach, public AreaHost {
    Q_OBJECT
public:
    explicit TfrmPropostaComercial(QWidget* parent = nullptr);
    ~TfrmPropostaComercial() override;

    // ----- lifetime
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(CloseAction& action) override;

    // ----- load, routing and page handlers
    void cdsPropostaAfterScroll();
    void pgcPadraoChange();
    void pgcDadosChange();
    void pgcDadosContChange();
    void pgcServicoGeralChange();
    void dtsPadraoStateChange() override;

    // ----- maintenance buttons
    void sbtIncluirClick() override;
    void sbtAlterarClick() override;
    void sbtExcluirClick() override;
    void sbtConfirmarClick() override;
    void sbtCancelarClick() override;
    void sbtVerificarClick() override;
    void sbtFiltroClick();
    // Procurar starts on the list column under the cursor, or on the contracting party's name.
    void sbtProcurarClick() override;

    // ----- what the areas reach
    ClientTable& proposal() const override { return *cdsProposta; }
    ClientTable& paramPerc() const override { return *cdsParamPerc; }
    NetConnection& net() override { return netProposta; }
    const ProposalPages& pages() const override { return pages_; }
    const ProposalMenus& menus() const override { return menus_; }
    ProposalModel& model() override { return *model_; }
    // The search box, filter marker and decision watch above the list.
    ProposalListBar& listBar() const { return *listBar_; }
    DataSource* proposalSource() const override { return dtsProposta; }
    template <class A>
    A& area() const {
        for (const auto& a : areas_)
            if (auto* found = dynamic_cast<A*>(a.get())) return *found;
        throw std::logic_error("proposal screen: area not registered");
    }
    const std::vector<std::unique_ptr<ProposalArea>>& areas() const { return areas_; }
    // The area whose table `table` is (nullptr for the list and tables of no area).
    ProposalArea* areaOf(const ClientTable* table) const;

    // The save path of a child table registers itself, so the screen knows what is pending.
    void registerSave(ChildTableSave* save) override;
    ChildTableSave* saveOf(const ClientTable* table) const override;
    // Sends every pending change log of the areas (before their tables are reloaded).
    void sendPending() override;
    bool hasPending() const override;
    // The server took a change of the current proposal outside the areas' change logs
    // (or within them: the saves call it): every area hears of it.
    void proposalChanged() override;
    // The header's check of the client or prospect runs again on the next post.
    void forgetPartyCheck();
    // Empties the child tables (nothing listed).
    void clearAreas() override;

    // The proposal key of the current row of cdsProposta.
    QString NR() const;
    QString VER() const;
    ProposalKey key() const override { return {NR(), VER()}; }
    // Whether the current proposal is service-only (IDTIPOPROPFAS = 'S').
    bool servicoSomente() const;
    // The widget that has the focus in this screen (nullptr when none).
    QWidget* activeControl() const override;
    bool hasFocus(const QWidget* control) const override;
    void showPage(TTabSheet* page) override;
    // ----- what the areas reach besides (AreaHost)
    ClientTable* activeTable() const override { return TfrmPadraoGrid::activeTable(); }
    void setActiveTable(ClientTable* table) override { TfrmPadraoGrid::setActiveTable(table); }
    void stateChanged() override { dtsPadraoStateChange(); }
    void verify() override { sbtVerificarClick(); }
    void listPageChanged() override { pgcPadraoChange(); }

    // Runs `body` with the after-scroll handler of cdsProposta detached (reloads that must
    // not trigger the load sequence); the handler is re-attached on every path out.
    void withoutAfterScroll(const std::function<void()>& body) override;
    void attachAfterScroll();

    // ----- what the dialogs and the approval reach (screen_reach.cpp)
    QWidget& dialogParent() override { return *this; }
    TMessages& messages() override { return msgPadrao; }
    bool typing() const override;
    bool listsWholeBranch() override;
    bool filterUsed() const override { return boFiltroUsado; }
    void setFilterUsed(bool used) override { boFiltroUsado = used; }
    // The screen's own filter until its owner shares the one it keeps across screens.
    ListFilter& listFilter() override;
    void shareListFilter(ListFilter& filter);
    // The operator is outside every group authorised for proposals: he makes requests only
    // (known once the list has been read).
    bool requestsOnly() const override { return requestsOnly_; }
    void setRequestsOnly(bool only) { requestsOnly_ = only; }
    // Closed: on its way out, no longer the module's screen.
    bool closed() const { return closed_; }
    bool isProposta() const override;
    void focusReadjustmentMonth() override;
    void focusResponsible() override;
    bool operatorRegistered(const QString& code) override;
    ClientTable& productLines() const override;
    ClientTable& lineSystems() const override;
    ClientTable& lineSchedule() const override;
    void loadLineSystems() override;
    void loadLineSchedule() override;
    QString lineSystemCodes() const override;
    bool contractLines() const override;
    bool accessPointLine() const override;
    void focusLineCode() override;
    void handBackSystems(const Packet& chosen) override;
    void systemsGivenUp() override;
    ClientTable& services() const override;
    void showCharging() override;
    ClientTable& reloadPackageSchedule() override;
    void focusServiceColumn(const QString& field) override;
    void checkMandatoryServices() override;
    void reloadTexts() override;
    ListAttachments& attachments() override { return *attachments_; }

private:
    void registerAreas();
    // Asks before closing drops what is being edited or was refused; false keeps it all.
    bool giveUpPending();
    void createTables();
    void createPages();
    void createMenus();
    void setupListGrid();
    // Opens the form of the proposal under the list's cursor (Enter, double click).
    void openListedProposal();
    // The operator's own column widths of the list (settings store).
    void restoreListWidths();
    void saveListWidths();
    void wirePages();
    void readProposalList();
    void openGrupo();
    void updateEditors();
    void listEnabling(MaintenanceEnabling& e) const;
    void applyEnabling(const MaintenanceEnabling& e);

    NetConnection netProposta;
    bool boFiltroUsado = false;
    bool requestsOnly_ = false;
    bool closed_ = false;
    std::unique_ptr<ListFilter> ownFilter_;
    ListFilter* listFilter_ = nullptr;

    ClientTable* cdsProposta = nullptr;
    ClientTable* cdsParamPerc = nullptr;
    ListAttachments* attachments_ = nullptr;
    ProposalListBar* listBar_ = nullptr;
    DataSource* dtsProposta = nullptr;
    bool wholeBranch_ = false;  // every proposal of the branch is listed (openGrupo)

    ProposalPages pages_;
    ProposalModel* model_ = nullptr;
    ProposalMenus menus_;
    std::vector<std::unique_ptr<ProposalArea>> areas_;
    // The areas the screen itself speaks to (owned by areas_).
    HeaderController* headerArea_ = nullptr;
    ProductLineArea* linesArea_ = nullptr;
    LineSystemsArea* systemsArea_ = nullptr;
    LineInstallmentsArea* lineScheduleArea_ = nullptr;
    ServicesArea* servicesArea_ = nullptr;
    ServiceInstallmentsArea* packageArea_ = nullptr;
    TextsArea* textsArea_ = nullptr;
    std::vector<ChildTableSave*> saves_;
    QTimer* listWidthsTimer_ = nullptr;
    bool listWidthsChanged_ = false;
};

}  // namespace cot
