#pragma once
// One proposal version read for comparison: its sections, each a list of keyed rows whose
// values are already the texts a reader sees, and its totals.
#include <QHash>
#include <QList>
#include <QString>

#include "server/methods/proposal_totals.h"

namespace cot::server {
class Database;

namespace version_compare::snapshot {

struct Value {
    QString name, label;
    QString text;      // as the reader sees it
    QString compared;  // what tells two versions apart (a rich text whole, not cut)
};

struct Item {
    QString key;      // matches the same row of the other version
    QString label;    // how the row is named to the reader
    QString summary;  // the row in one line, shown when it is only in one version
    QList<Value> values;
};

struct Section {
    QString name;
    QList<Item> items;
};

struct Version {
    QList<Section> sections;  // always the same sections in the same order
    ProposalTotals totals;
};

// Line code of the second version → the code of the same line in the first, for lines
// whose code is only in the second and whose informed code meets exactly one line that
// is only in the first.
QHash<QString, QString> pairedLines(Database& db, const QString& number, const QString& first, const QString& second);

// Reads the version, keying its lines (and their systems and installments) through
// `lineAlias` where it names them.
Version read(Database& db, const QString& number, const QString& version, const QHash<QString, QString>& lineAlias);

}  // namespace version_compare::snapshot
}  // namespace cot::server
