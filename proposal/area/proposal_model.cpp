#include "proposal/area/proposal_model.h"

#include "data/client_table.h"

namespace cot {

ProposalModel::ProposalModel(const ClientTable& proposal, QObject* parent) : QObject(parent), proposal_(proposal) {}

bool ProposalModel::serviceOnly() const {
    const Field* kind = proposal_.active() ? proposal_.findField(QStringLiteral("IDTIPOPROPFAS")) : nullptr;
    return kind && kind->asString() == QLatin1String("S");
}

void ProposalModel::chosen(const QString& code) {
    contract_ = code;
    emit contractChosen(code);
}

}  // namespace cot
