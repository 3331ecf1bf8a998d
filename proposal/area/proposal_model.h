#pragma once
#include <QObject>
#include <QString>

namespace cot {

class ClientTable;

// The facts of the proposal being edited that several areas share: the kind of contract
// chosen in the header (licence with maintenance "M", rental "L", services only "S") and
// whether the proposal is service-only as stored. The header shows the contract and tells
// the model when one is chosen; the product lines and the services observe it.
class ProposalModel : public QObject {
    Q_OBJECT
public:
    explicit ProposalModel(const ClientTable& proposal, QObject* parent = nullptr);

    // The contract shown in the header ("M", "L", "S", or empty when none is marked).
    QString contract() const { return contract_; }
    bool licence() const { return contract_ == QLatin1String("M"); }
    bool rental() const { return contract_ == QLatin1String("L"); }
    // Whether the proposal under the list's cursor is stored as service-only.
    bool serviceOnly() const;

    // An area asks the header to mark `code` (the header marks it and a choice follows,
    // as when the user marks it).
    void mark(const QString& code) { emit markAsked(code); }
    // The header: `code` was marked, by the user or through mark().
    void chosen(const QString& code);
    // The header: the marks were set from the stored proposal or cleared (no choice).
    void shown(const QString& code) { contract_ = code; }

    // ----- the proposal's parts, given by the screen once its areas are made: the product
    // lines, the services and the texts.
    void setParts(const ClientTable& lines, const ClientTable& services, const ClientTable& texts);
    // Whether the lines, the services or the texts hold a row.
    bool partsHoldRows() const;
    // The type of the current product line ("" with none).
    QString currentLineType() const;

signals:
    void markAsked(const QString& code);
    void contractChosen(const QString& code);

private:
    const ClientTable& proposal_;
    QString contract_;
    const ClientTable *lines_ = nullptr, *services_ = nullptr, *texts_ = nullptr;
};

}  // namespace cot
