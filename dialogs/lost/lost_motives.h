#pragma once
#include <QList>
#include <QString>

namespace cot {

// Why a proposal is lost or declined, as the server keeps it (PERDAPROP.IDMOTIVO and the
// client's DECISAOPROP.IDMOTIVO share the letters).
struct LostMotive {
    const char* code;
    const char* name;  // UTF-8
};

// P Preço, Z Prazo, C Concorrente, E Escopo, O Outro, in the order offered.
const QList<LostMotive>& lostMotives();

// The name of a motive code; empty for none or an unknown one.
QString lostMotiveName(const QString& code);

}  // namespace cot
