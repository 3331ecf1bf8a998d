#pragma once
#include <memory>

#include "proposal/area/proposal_area.h"

namespace cot {

class ChildTableSave;
class DataSource;
struct Packet;
class ProductLineArea;
class ProposalReach;
class TDBGrid;
class TGroupBox;

// Systems of the current product line (grid beside the line form). Systems are chosen in
// the systems dialog, opened by the grid's edit button; the maintenance buttons delete them.
class LineSystemsArea : public ProposalArea {
public:
    // Joins `lines`, whose current line it shows; `dialogs`: the screen the systems dialog works on.
    LineSystemsArea(AreaHost& host, ProductLineArea& lines, ProposalReach& dialogs);
    ~LineSystemsArea() override;

    QString name() const override { return QStringLiteral("Sistemas da Linha de Produto"); }
    QList<ClientTable*> tables() const override { return {cdsSistLinhaProd}; }
    void build() override;
    void route() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;

    // Reads the systems of the current line (empty when there is none).
    void loadForCurrentLine();
    // Adds the systems chosen for a line just saved, all in one change log.
    void insertChosen(const QString& line, const Packet& chosen);

    void dbgSistemasEditButtonClick();
    void cdsSistLinhaProdBeforeInsert();
    void cdsSistLinhaProdBeforePost();

    ClientTable* cdsSistLinhaProd;
    DataSource* dtsSistLinhaProd;
    TGroupBox* grbSistemas = nullptr;
    TDBGrid* dbgSistemas = nullptr;

private:
    ProductLineArea& lines_;
    ProposalReach& dialogs_;
    std::unique_ptr<ChildTableSave> save_;
    bool bulk_ = false;  // rows being added by insertChosen: sent together at the end
};

}  // namespace cot
