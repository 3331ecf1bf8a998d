#include "dialogs/lost/lost_motives.h"

namespace cot {

const QList<LostMotive>& lostMotives() {
    static const QList<LostMotive> motives{
        {"P", "Preço"}, {"Z", "Prazo"}, {"C", "Concorrente"}, {"E", "Escopo"}, {"O", "Outro"}};
    return motives;
}

QString lostMotiveName(const QString& code) {
    const QString wanted = code.trimmed().toUpper();
    for (const LostMotive& m : lostMotives())
        if (wanted == QLatin1String(m.code)) return QString::fromUtf8(m.name);
    return {};
}

}  // namespace cot
