#include "dialogs/status_words.h"

namespace cot {

QString proposalStatusWord(const QString& code) {
    if (code == QLatin1String("A")) return QStringLiteral("Aceita");
    if (code == QLatin1String("V")) return QStringLiteral("Válida");
    if (code == QLatin1String("E")) return QStringLiteral("A vencer");
    if (code == QLatin1String("X")) return QStringLiteral("Vencida");
    if (code == QLatin1String("S")) return QStringLiteral("Substituída");
    if (code == QLatin1String("P")) return QStringLiteral("Perdida");
    if (code == QLatin1String("R")) return QStringLiteral("Recusada pelo cliente");
    return {};
}

QString clientDecisionWord(const QString& decision) {
    if (decision == QLatin1String("A")) return QStringLiteral("Aceita pelo cliente");
    if (decision == QLatin1String("R")) return QStringLiteral("Recusada pelo cliente");
    return {};
}

}  // namespace cot
