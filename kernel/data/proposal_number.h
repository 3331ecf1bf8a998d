#pragma once
// How a person reads and types a proposal's number: without the zeros that fill the
// stored key, and with its version after a slash ("15/02"). The stored key (20 digits and
// 2) never changes; every screen, export, message and mail shows this form, and a search
// typed in it finds the key.
#include <QString>

namespace cot {

inline constexpr int kProposalNumberDigits = 20;
inline constexpr int kProposalVersionDigits = 2;

// "00000000000000000015" → "15" ("0" for a key of zeros; blanks around are dropped).
QString shortNumber(const QString& number);

// "15/02"; the version as stored (trimmed). An empty version gives the number alone.
QString shortProposalNumber(const QString& number, const QString& version);

struct ProposalKeyText {
    QString number;   // 20 digits, zero-filled
    QString version;  // 2 digits, zero-filled; empty when none was typed
};

// Reads what a person types: "15", "15/2", "15/02", " 0015 / 02 ". False for anything
// else (letters, more digits than a key holds, an empty number).
bool parseShortProposalNumber(const QString& text, ProposalKeyText* key);

}  // namespace cot
