#pragma once
#include <memory>

#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_area.h"

namespace cot {

class DataSource;
class TDBRichEdit;
class TFormatPanel;

// The proposal's observation: one rich text per proposal version, on its own page.
// Alterar edits it (inserting it when the proposal has none yet), Confirmar posts it and
// the post sends it with SetObs; an emptied observation is sent flagged as empty.
class ObservationArea : public ProposalArea {
public:
    explicit ObservationArea(AreaHost& host);
    ~ObservationArea() override;

    QString name() const override { return QStringLiteral("Observação"); }
    QList<ClientTable*> tables() const override { return {cdsObs}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void verify(QStringList& kept) override;
    void enable(MaintenanceEnabling& e) override;
    void updateEditors() override;

    ClientTable* cdsObs;

private:
    void cdsObsAfterInsert();
    DataSource* dtsObs;
    TFormatPanel* fpnObs = nullptr;
    TDBRichEdit* dbrObs = nullptr;

    bool shown() const;
    std::unique_ptr<ChildTableSave> save_;
};

}  // namespace cot
