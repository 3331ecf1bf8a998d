#pragma once
// The row a history entry is about, as a person knows it, instead of its stored key
// ("CDLINPPROP=00000000000000000007; NRPROPOSFAS=...; NRVERPROPFAS=01"):
//
//   LINPPROP      the line's code and name              "2001 – ERP Web completo"
//   SISTLINPPROP  the system's abbreviation and name, and its line
//   VENCLINPPROP  the installment's due date, and its line   "10/01/2027 – 2001 – ERP Web..."
//   SERVPROP      the service's type name
//   VENCSERVPROP  the installment's due date
//   TXTPROPFAS    the text's title
//   SIMULAPROP    the simulation's name; SIMULALINP its name and the line's place
//
// Names are read from the row as stored now, or, once it is deleted, from the last values
// its history kept (of the rows the reader may read). The tables of the version itself
// (PROPOSTAFAS, OBSPROPFAS, OBJSERVPROP), method rows and tables not listed get "".
#include <QHash>
#include <QString>
#include <QVariantMap>

namespace cot::server {
class Database;

namespace history {

class RowDescriber {
public:
    // `readable`/`readableParams`: the history rows the reader may read (history_rights.h).
    RowDescriber(Database& db, const QString& number, const QString& version, const QString& readable,
                 const QVariantMap& readableParams);

    QString describe(const QString& table, const QString& key);

    // The value of `column` in a stored key; its value runs to the next of the table's
    // key columns, so a title holding "; " is read whole. "" when the key lacks it.
    static QString keyValue(const QString& key, const QString& column, const QStringList& keyColumns);

private:
    QString line(const QString& code);
    QString service(const QString& key);
    QString simulation(const QString& number);
    // The row's columns as stored now, or as its history last kept them.
    QVariantMap current(const QString& sql, const QVariantMap& params, const QString& table, const QString& key,
                        const QStringList& columns);
    QVariantMap lastKept(const QString& table, const QString& key, const QStringList& columns);

    Database& db_;
    QString number_, version_, readable_;
    QVariantMap readableParams_;
    QHash<QString, QString> known_;  // "TABLE|key" → description
};

}  // namespace history
}  // namespace cot::server
