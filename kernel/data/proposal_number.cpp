#include "data/proposal_number.h"

namespace cot {

namespace {

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return !s.isEmpty();
}

}  // namespace

QString shortNumber(const QString& number) {
    QString n = number.trimmed();
    while (n.size() > 1 && n.front() == u'0') n.remove(0, 1);
    return n;
}

QString shortProposalNumber(const QString& number, const QString& version) {
    const QString ver = version.trimmed();
    return ver.isEmpty() ? shortNumber(number) : shortNumber(number) + u'/' + ver;
}

bool parseShortProposalNumber(const QString& text, ProposalKeyText* key) {
    const QString t = text.trimmed();
    const qsizetype slash = t.indexOf(u'/');
    const QString nr = (slash < 0 ? t : t.left(slash)).trimmed();
    const QString ver = slash < 0 ? QString() : t.mid(slash + 1).trimmed();
    if (!allDigits(nr) || nr.size() > kProposalNumberDigits) return false;
    if (slash >= 0 && (!allDigits(ver) || ver.size() > kProposalVersionDigits)) return false;
    if (key) {
        key->number = nr.rightJustified(kProposalNumberDigits, u'0');
        key->version = ver.isEmpty() ? QString() : ver.rightJustified(kProposalVersionDigits, u'0');
    }
    return true;
}

}  // namespace cot
