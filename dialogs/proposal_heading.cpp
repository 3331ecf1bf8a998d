#include "dialogs/proposal_heading.h"

#include "data/client_table.h"
#include "data/proposal_number.h"

namespace cot {

QString proposalHeading(const ClientTable& list) {
    const auto text = [&](const char* field) {
        const Field* f = list.findField(QString::fromLatin1(field));
        return f ? f->asString().trimmed() : QString();
    };
    const QString number = shortProposalNumber(text("NRPROPOSFAS"), text("NRVERPROPFAS"));
    const QString name = text("NOME");
    return name.isEmpty() ? number : number + QStringLiteral(" — ") + name;
}

}  // namespace cot
