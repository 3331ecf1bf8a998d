// The number as people type and read it, against the stored key.
#include <gtest/gtest.h>

#include "data/proposal_number.h"

namespace cot {
namespace {

TEST(ProposalNumber, ShortFormDropsTheFillingZerosOnly) {
    EXPECT_EQ(shortProposalNumber(QStringLiteral("00000000000000000015"), QStringLiteral("02")), QStringLiteral("15/02"));
    EXPECT_EQ(shortProposalNumber(QStringLiteral("00000000000000000100"), QString()), QStringLiteral("100"));
    EXPECT_EQ(shortNumber(QStringLiteral("00000000000000000000")), QStringLiteral("0"));
}

TEST(ProposalNumber, TypedFormsFindTheKey) {
    struct Case {
        const char* typed;
        bool ok;
        const char* number;
        const char* version;
    };
    const Case cases[] = {
        {"15/02", true, "00000000000000000015", "02"},
        {" 0015 / 2 ", true, "00000000000000000015", "02"},
        {"15", true, "00000000000000000015", ""},
        {"123456789012345678901", false, "", ""},  // more digits than a key holds
        {"15/123", false, "", ""},
        {"15/", false, "", ""},
        {"/02", false, "", ""},
        {"Acme", false, "", ""},
        {"١٥", false, "", ""},  // digits of another script are not a key
    };
    for (const Case& c : cases) {
        ProposalKeyText key;
        EXPECT_EQ(parseShortProposalNumber(QString::fromUtf8(c.typed), &key), c.ok) << c.typed;
        if (!c.ok) continue;
        EXPECT_EQ(key.number, QString::fromLatin1(c.number)) << c.typed;
        EXPECT_EQ(key.version, QString::fromLatin1(c.version)) << c.typed;
    }
}

}  // namespace
}  // namespace cot
