#pragma once
// How the stored columns of the history read: by the captions the proposal screen gives
// its fields, their values as those fields show them (money "1.522,50", dates dd/mm/yyyy,
// one-letter codes as the screen's words).
//
// The screen's own tables are the source (their fields carry caption, format and words);
// a column the screen does not caption, or a table the history window cannot reach, reads
// by one plain table of labels and kinds kept here. A column known to neither shows its
// stored name and value.
#include <QHash>
#include <QString>
#include <memory>

namespace cot {

class ClientTable;
class Field;

class HistoryFields {
public:
    HistoryFields();
    ~HistoryFields();
    HistoryFields(HistoryFields&&) noexcept;
    HistoryFields& operator=(HistoryFields&&) noexcept;

    // The fields of `screen` name and format the columns of the stored `table`. Their
    // words stay bound to the screen: it must outlive this.
    void add(const QString& table, const ClientTable& screen);

    // "Valor" for VENCLINPPROP.VRVELUSOPEDP; the column itself when nothing names it.
    QString label(const QString& table, const QString& column) const;
    // The stored text (numbers with a point, dates in ISO form) as the screen shows it;
    // a text that is no value of the column's kind stays as stored.
    QString value(const QString& table, const QString& column, const QString& stored) const;

private:
    struct Column;
    const Column* find(const QString& table, const QString& column) const;

    std::unique_ptr<ClientTable> plain_;
    QHash<QString, QHash<QString, std::shared_ptr<Column>>> screen_;  // TABLE → COLUMN → field
    mutable QHash<QString, QString> shown_;                              // "T|C|stored" → text
};

}  // namespace cot
