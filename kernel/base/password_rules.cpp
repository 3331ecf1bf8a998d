#include "password_rules.h"

#include <QList>

namespace cot::password_rules {

QString breach(const QString& password) {
    // Counted as the user sees them: an accented letter or an emoji is one character.
    if (password.toUcs4().size() < kMinimumLength)
        return QStringLiteral("A senha deve ter ao menos %1 caracteres.").arg(kMinimumLength);
    return {};
}

}  // namespace cot::password_rules
