#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The registers this module reads but does not keep itself (they come from the rest of the
// business system), as they travel in the files of --import and --export: one file per
// table, named after it in lower case ("filial.csv"), with the table's column names.
// Proposal tables, sessions, sign-in failures, numbering and the charging generated at
// acceptance are not registers and never travel.
namespace cot::server::registers {

enum class ColumnKind { Text, Integer, Real, DateTime };

struct RegisterColumn {
    QString name;
    ColumnKind kind = ColumnKind::Text;
    int size = 0;             // characters of a text, as the table catalogue declares them
    bool key = false;         // part of the table's key
    bool notNull = false;     // the table refuses a null (every key column does)
    bool hasDefault = false;  // may be left out of a file: new rows take the table's default
    QStringList allowed;      // the codes the module knows; empty: any value
    bool upperCase = false;   // compared in upper case by sign-in: stored that way only
    bool freeText = false;    // a text of lines (may hold tabs and line breaks); never a name or code

    // A text the schema declares with no size (TEXT): the server bounds it all the same.
    bool isMemo() const;

    // Whether a file without this column is refused.
    bool requiredInFile() const { return key || (notNull && !hasDefault); }
};

// Columns of a row that name a row of another register (by its whole key). A reference
// whose columns are all null refers to nothing and is not checked.
struct RegisterReference {
    QStringList columns;
    QString table;
};

struct Register {
    QString table;
    QList<RegisterColumn> columns;
    QList<RegisterReference> references;

    QString fileName() const { return table.toLower() + QStringLiteral(".csv"); }
    QStringList keyColumns() const;
    QStringList columnNames() const;
    const RegisterColumn* column(const QString& name) const;  // exact, upper-case name
};

// Every register, in an order where each comes after those it refers to.
const QList<Register>& registerCatalogue();
const Register* registerByTable(const QString& table);
// The register of a file name, ignoring case ("FILIAL.CSV" too); nullptr when none.
const Register* registerForFile(const QString& fileName);
// Why a column of the table is kept out of the files (Portuguese), or empty when it is not.
QString withheldColumnReason(const QString& table, const QString& column);

}  // namespace cot::server::registers
