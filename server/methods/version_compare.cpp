#include "server/methods/version_compare.h"

#include <QHash>
#include <QSet>
#include <QRegularExpression>

#include "data/format_br.h"
#include "server/methods/version_compare_snapshot.h"
#include "services/money.h"

namespace cot::server::version_compare {

namespace {

using snapshot::Item;
using snapshot::Section;

// Rows of the first version in their order (removed or changed), then those only in the
// second, in theirs.
void compareSection(const Section& before, const Section& after, QList<Difference>& out) {
    QHash<QString, const Item*> afterByKey;
    for (const Item& item : after.items) afterByKey.insert(item.key, &item);
    QSet<QString> seen;
    for (const Item& old : before.items) {
        seen.insert(old.key);
        const Item* now = afterByKey.value(old.key);
        if (!now) {
            out << Difference{before.name, old.label, QString(), QString(), Change::Removed, old.summary, QString()};
            continue;
        }
        QHash<QString, const snapshot::Value*> nowValues;
        for (const snapshot::Value& v : now->values) nowValues.insert(v.name, &v);
        for (const snapshot::Value& v : old.values) {
            const snapshot::Value* n = nowValues.value(v.name);
            if (n && n->compared != v.compared)
                out << Difference{before.name, now->label, v.name, v.label, Change::Altered, v.text, n->text};
        }
    }
    for (const Item& item : after.items)
        if (!seen.contains(item.key))
            out << Difference{after.name, item.label, QString(), QString(), Change::Added, QString(), item.summary};
}

QString money(long double value) {
    return formatMoney(truncCents(value));
}

void addTotals(const ProposalTotals& a, const ProposalTotals& b, QList<Difference>& out) {
    const QString section = QStringLiteral("Totais");
    const auto row = [&](const char* field, const char* label, long double first, long double second) {
        out << Difference{section,
                          QString::fromUtf8(label),
                          QString::fromLatin1(field),
                          QString::fromUtf8(label),
                          Change::Total,
                          money(first),
                          money(second)};
    };
    row("VRLICENCA", "Licença de uso", a.licence, b.licence);
    row("VRMENSAL", "Mensal", a.monthly, b.monthly);
    row("VRSERVICOS", "Serviços", a.services, b.services);
    // Each figure is cut to the cent before the sum, as the running total shows them.
    row("VRTOTAL", "Valor único", a.grand(), b.grand());
}

}  // namespace

QList<Difference> compare(Database& db, const QString& number, const QString& first, const QString& second) {
    const snapshot::Version before = snapshot::read(db, number, first, {});
    const snapshot::Version after =
        snapshot::read(db, number, second, snapshot::pairedLines(db, number, first, second));
    QList<Difference> out;
    for (int s = 0; s < before.sections.size() && s < after.sections.size(); ++s)
        compareSection(before.sections[s], after.sections[s], out);
    addTotals(before.totals, after.totals, out);
    return out;
}

QString plainText(const QString& stored) {
    static const QRegularExpression hidden(
        QStringLiteral("<(head|style|script)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression breaks(QStringLiteral("<(br|/p|/div|/li|/h[1-6]|/tr)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString s = stored;
    s.remove(hidden);
    s.replace(breaks, QStringLiteral(" "));
    s.remove(tags);
    s.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));  // last: "&amp;lt;" is the text "&lt;"
    return s.simplified();
}

}  // namespace cot::server::version_compare
