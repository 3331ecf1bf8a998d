// The number as people type and read it, against the stored key.
#include <gtest/gtest.h>

#include "data/proposal_number.h"
#include "support/qt_printers.h"

namespace cot {
namespace {

TEST(ProposalNumber, ShortFormsDropTheFillingZerosAndTypedFormsFindTheKey) {
    EXPECT_EQ((QStringList{shortProposalNumber("00000000000000000015", "02"), shortProposalNumber("00000000000000000100", {}),
                           shortNumber("00000000000000000000")}),
              (QStringList{"15/02", "100", "0"}));
    // More digits than a key holds, or digits of another script, are not a key (null: refused).
    const std::pair<const char*, const char*> cases[] = {
        {"15/02", "00000000000000000015/02"}, {" 0015 / 2 ", "00000000000000000015/02"}, {"15", "00000000000000000015/"},
        {"123456789012345678901", nullptr}, {"15/123", nullptr}, {"15/", nullptr}, {"/02", nullptr}, {"Acme", nullptr},
        {"١٥", nullptr}};
    for (const auto& [typed, key] : cases) {
        ProposalKeyText parsed;
        EXPECT_EQ(parseShortProposalNumber(QString::fromUtf8(typed), &parsed), key != nullptr) << typed;
        if (key) {
            EXPECT_EQ(parsed.number + "/" + parsed.version, QString::fromLatin1(key)) << typed;
        }
    }
}

}  // namespace
}  // namespace cot
