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
    // Whether the systems' grid has the focus (the line form's routing).
    bool gridFocused() const;

    // The current line's systems (SISTPROPLINP).
    ClientTable* cdsSistLinhaProd;

private:
    void dbgSistemasEditButtonClick();
    void cdsSistLinhaProdBeforeInsert();
    void cdsSistLinhaProdBeforePost();

    ProductLineArea& lines_;
    ProposalReach& dialogs_;
    DataSource* dtsSistLinhaProd;
    TDBGrid* dbgSistemas = nullptr;
    std::unique_ptr<ChildTableSave> save_;
    bool bulk_ = false;  // rows being added by insertChosen: sent together at the end
};

}  // namespace cot
