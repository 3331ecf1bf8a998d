#pragma once
// The client's answer as the page's forms post it (application/x-www-form-urlencoded):
// which form, the content it was shown, and its fields, bounded and checked.
#include <QByteArray>
#include <QChar>
#include <QString>

#include "server/client_page/page_html.h"

namespace cot::server::client_page {

inline constexpr qsizetype kMaxFormBody = 16 * 1024;
inline constexpr qsizetype kMaxNameLength = 100;
inline constexpr qsizetype kMaxCommentLength = 2000;

struct DecisionForm {
    enum class Action { Invalid, Accept, Decline };
    Action action = Action::Invalid;  // also Invalid for a body that is no form of the page
    QString shownHash;                // conteudo: the hash of the content the form came with
    FormValues values;                // as typed, blanks trimmed, control characters dropped
    QChar reason;                     // P Z C E O; null when none or unknown
    bool declineConfirmed = false;    // confirma: the decline's second tick, so one tap never declines
    // Empty when the form is complete; otherwise what the client must fix (Portuguese).
    QString missing() const;
};

// Reads the body. Undecodable text, repeated or unknown fields and values beyond their
// bounds give an Invalid action.
DecisionForm parseDecisionForm(const QByteArray& body);

}  // namespace cot::server::client_page
