#pragma once
#include <QString>

namespace cot {

// InsTextoProp's refusal of a standard text the proposal version already has: nothing is
// written and the text there stays as it is. The standard-text dialog tells it from the
// other refusals by this text: it skips that one and goes on with the rest.
inline QString standardTextAlreadyInProposal(const QString& code) {
    return QStringLiteral("O texto padrão %1 já está na proposta.").arg(code);
}

}  // namespace cot
