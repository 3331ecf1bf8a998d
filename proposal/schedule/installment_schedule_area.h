#pragma once
#include <QDate>
#include <QList>
#include <memory>
#include <vector>

#include "proposal/area/proposal_area.h"
#include "proposal/schedule/schedule_config.h"

class QBoxLayout;
class QGridLayout;
class QLabel;

namespace cot {

class ChildTableSave;
class Control;
class DataSource;
class TDateEditPlus;
class TDBGrid;
class TNumberEdit;
class TSpeedButton;

// An installment schedule of the proposal: the grid of installments and the generator
// beside it (count, first due date, total), configured for a product line's licence or for
// the service package (InstallmentScheduleConfig).
//
// The schedule travels with the set method as one change log: a user's delete goes at once;
// posted installments go with confirmSchedule (leaving the grid, Confirmar, after a
// generation), only once they add up to the base total, with the interest of four or more
// installments. A regeneration's deletes and inserts go together, so the server never holds
// half a schedule.
class InstallmentScheduleArea : public ProposalArea {
public:
    InstallmentScheduleArea(AreaHost& host, InstallmentScheduleConfig config);
    ~InstallmentScheduleArea() override;

    QString name() const override { return cfg_.areaName; }
    QList<ClientTable*> tables() const override { return {table_}; }
    void build() override;
    void route() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;
    void beforeConfirm() override;
    // With the focus on the grid Cancelar asks first and, answered No, keeps the edits;
    // answered Yes, drops what the server has not taken.
    bool cancel() override;

    // Reads the owner's schedule (none when it has no schedule now) and shows its count,
    // first due date and total. A row being edited is dropped and a pending change log is
    // sent first.
    void reload();
    // Spreads the base total over the installments: equally, or keeping each one's share.
    void spread(bool equal);
    // Whether the installments add up to the schedule total. A single installment is set to
    // it. With `report` a schedule that does not add up is shown (totalMismatchKey) and ends
    // the operation, with the value column ready to be corrected.
    bool addsUp(bool report);
    // Sends the pending change log once it adds up (a refusal is shown and keeps it pending).
    void confirmSchedule();
    // Shows the total and why it carries interest.
    void refreshTotal();
    // Deletes every installment, in one change log.
    void dropSchedule();
    // The generator's button: `count` installments a month apart from the first date typed
    // (or the first due date the screen gives), the base total split equally, sent at once.
    void generate();
    long double baseTotal() const { return cfg_.baseTotal(); }

protected:
    // Where the subclass puts the schedule: its containers, built on the page it belongs to.
    struct Frame {
        QWidget* gridParent = nullptr;       // the grid joins its layout
        QWidget* generatorParent = nullptr;  // parent of the generator's controls
        // The generator's grid goes into this layout after the grid; without one it is the
        // generator parent's own layout.
        QBoxLayout* generatorHost = nullptr;
        // Containers whose entering makes the schedule the buttons' table.
        QList<Control*> routed;
    };
    virtual Frame frame() = 0;

    long double rate() const;
    // Values of the shown installments, in grid order (a row being edited as typed).
    std::vector<double> values() const;
    // The first due date shown: the earliest installment's; with none, the date a
    // generation would start from.
    QDate shownFirstDue() const;
    void showSummary();
    // Puts the grid on a column (taking the focus when it may).
    void focusColumn(const QString& field);

    ClientTable *table_, *takenDay_, *firstDates_, *copy_;
    DataSource* source_;
    TDBGrid* grid_ = nullptr;
    TNumberEdit *count_ = nullptr, *total_ = nullptr;
    QLabel* note_ = nullptr;
    TDateEditPlus* firstDate_ = nullptr;
    TSpeedButton* generate_ = nullptr;
    std::unique_ptr<ChildTableSave> save_;
    bool generating_ = false;  // the generator's deletes travel with its inserts

private:
    // A row goes in only under an owner (noOwnerKey otherwise).
    void requireOwner();
    // ----- table events
    void afterInsert();
    void beforePost();
    void afterDelete();
    // Whether the due date may be used: empty (shown only with `report`), or a day on which
    // the owner already has an installment on the server (DTJCAD, always shown).
    bool dueDateUsable(bool report);
    // Whether the server holds another installment on `day` that stays there once the
    // pending change log is applied.
    bool dayTaken(const QDate& day);
    void gridColExit();
    // Whether the schedule already is `count` installments from `first` that add up.
    bool scheduleAsAsked(int count, const QDate& first);
    // Shows a catalogue message with the grid on `field`, ending the operation.
    [[noreturn]] void fail(const QString& key, const QString& field);

    const InstallmentScheduleConfig cfg_;
    QList<Control*> routed_;
};

}  // namespace cot
