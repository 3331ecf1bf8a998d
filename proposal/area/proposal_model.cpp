#include "proposal/area/proposal_model.h"

#include "data/client_table.h"

namespace cot {

ProposalModel::ProposalModel(const ClientTable& proposal, QObject* parent) : QObject(parent), proposal_(proposal) {}

bool ProposalModel::serviceOnly() const {
    const Field* kind = proposal_.active() ? proposal_.findField(QStringLiteral("IDTIPOPROPFAS")) : nullptr;
    return kind && kind->asString() == QLatin1String("S");
}

void ProposalModel::setParts(const ClientTable& lines, const ClientTable& services, const ClientTable& texts) {
    lines_ = &lines;
    services_ = &services;
    texts_ = &texts;
}

bool ProposalModel::partsHoldRows() const {
    for (const ClientTable* t : {lines_, services_, texts_})
        if (t && t->active() && !t->isEmpty()) return true;
    return false;
}

QString ProposalModel::currentLineType() const {
    if (!lines_ || !lines_->active() || lines_->isEmpty()) return {};
    return (*lines_)[QStringLiteral("IDTIPLINPP")].asString();
}

void ProposalModel::chosen(const QString& code) {
    contract_ = code;
    emit contractChosen(code);
}

}  // namespace cot
