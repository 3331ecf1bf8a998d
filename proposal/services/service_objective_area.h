#pragma once
#include <memory>

#include "proposal/area/proposal_area.h"

namespace cot {

class ChildTableSave;
class DataSource;
class TDBRichEdit;
class TFormatPanel;
class TPanel;

// Objective of the services: one rich text per proposal version, on its own tab (shown for
// proposals of services only). Alterar edits it (inserting it when there is none yet),
// Confirmar posts it and the post sends it with SetObjServico.
class ServiceObjectiveArea : public ProposalArea {
public:
    explicit ServiceObjectiveArea(AreaHost& host);
    ~ServiceObjectiveArea() override;

    QString name() const override { return QStringLiteral("Objetivo dos serviços"); }
    QList<ClientTable*> tables() const override { return {cdsObjServico}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void enable(MaintenanceEnabling& e) override;
    void updateEditors() override;

    // Events of cdsObjServico.
    void cdsObjServicoAfterInsert();

    ClientTable* cdsObjServico;

private:
    bool shown() const;
    DataSource* dtsObjServico;
    TPanel* panObjServico = nullptr;
    TFormatPanel* fpnObjServico = nullptr;
    TDBRichEdit* dbrObjServico = nullptr;
    std::unique_ptr<ChildTableSave> save_;
};

}  // namespace cot
