#include "server/registers/register_file.h"

#include "server/registers/csv_file.h"
#include "server/registers/register_values.h"

namespace cot::server::registers {

void ImportErrors::add(const QString& fileName, std::optional<int> line, const QString& reason) {
    ++total_;
    if (kept_.size() >= kKept) return;
    // A file's name is anyone's text: no control character reaches the terminal.
    QString file = fileName;
    for (QChar& c : file)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) c = u'?';
    kept_ << (line ? QStringLiteral("%1:%2: %3").arg(file).arg(*line).arg(reason)
                   : QStringLiteral("%1: %2").arg(file, reason));
}

int RegisterFile::indexOf(const QString& column) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i] && columns[i]->name == column) return i;
    return -1;
}

QString joinKey(const QStringList& parts) { return parts.join(QChar(0x1F)); }

namespace {

// The header's columns; false (with the faults reported) when the file cannot be read.
bool readColumns(const Register& reg, RegisterFile& out, const CsvRecord& header, ImportErrors& errors) {
    bool good = true;
    auto fault = [&](const QString& why) {
        errors.add(out.fileName, header.line, why);
        good = false;
    };
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields[i].text.trimmed().toUpper();
        if (name.isEmpty()) {
            fault(QStringLiteral("coluna sem nome na posição %1 do cabeçalho").arg(i + 1));
            continue;
        }
        const QString withheld = withheldColumnReason(reg.table, name);
        const RegisterColumn* column = reg.column(name);
        if (!withheld.isEmpty()) {
            fault(QStringLiteral("coluna %1 não aceita: %2").arg(name, withheld));
        } else if (!column) {
            // Not repeated: a file that is no register would show its first line here.
            fault(QStringLiteral("coluna desconhecida na posição %1 do cabeçalho (colunas de %2: %3)")
                      .arg(i + 1)
                      .arg(reg.table, reg.columnNames().join(QStringLiteral(", "))));
        } else if (out.indexOf(name) >= 0) {
            fault(QStringLiteral("coluna %1 repetida no cabeçalho").arg(name));
        }
        out.columns << column;  // nullptr for a bad one: the file is not read further
    }
    for (const RegisterColumn& c : reg.columns) {
        if (!c.requiredInFile() || out.indexOf(c.name) >= 0) continue;
        fault(c.key ? QStringLiteral("falta a coluna %1, da chave de %2").arg(c.name, reg.table)
                    : QStringLiteral("falta a coluna obrigatória %1").arg(c.name));
    }
    return good;
}

}  // namespace

RegisterFileReader::RegisterFileReader(const Register& reg, const QString& fileName, QIODevice& in,
                                       ImportErrors& errors)
    : csv_(in), errors_(errors) {
    file_.reg = &reg;
    file_.fileName = fileName;
}

void RegisterFileReader::reportStop() {
    if (csv_.failed()) errors_.add(file_.fileName, csv_.errorLine(), csv_.error());
}

bool RegisterFileReader::readHeader() {
    const Register& reg = *file_.reg;
    CsvRecord header;
    if (!csv_.next(header)) {
        if (csv_.failed()) reportStop();
        else errors_.add(file_.fileName, std::nullopt, QStringLiteral("arquivo vazio (falta o cabeçalho com os nomes das colunas)"));
        return false;
    }
    if (!readColumns(reg, file_, header, errors_)) {
        file_.columns.clear();
        return false;
    }
    QList<int> kept;
    QStringList names;
    for (const RegisterColumn* c : std::as_const(file_.columns)) {
        kept << keptCharacters(*c);
        names << c->name;
    }
    csv_.setLimits(kept, names, 0);
    for (const QString& k : reg.keyColumns()) keyIndexes_ << file_.indexOf(k);
    return true;
}

bool RegisterFileReader::next(RegisterRow& row) {
    const QList<const RegisterColumn*>& columns = file_.columns;
    CsvRecord record;
    while (csv_.next(record)) {
        if (record.fields.size() != columns.size()) {
            errors_.add(file_.fileName, record.line,
                        QStringLiteral("a linha tem %1 campo(s) e o cabeçalho, %2").arg(record.fields.size()).arg(columns.size()));
            continue;
        }
        row = {};
        row.line = record.line;
        bool good = true;
        for (int c = 0; c < columns.size(); ++c) {
            const ParsedValue v = parseField(*columns[c], record.fields[c]);
            if (!v.error.isEmpty()) {
                errors_.add(file_.fileName, record.line, v.error);
                good = false;
                continue;
            }
            row.values << v.value;
            row.written << writtenForm(*columns[c], v.value);
        }
        QStringList key;
        for (int k : std::as_const(keyIndexes_)) {
            const ParsedValue v = parseField(*columns[k], record.fields[k]);
            if (!v.error.isEmpty()) break;
            key << *writtenForm(*columns[k], v.value);
        }
        if (key.size() == keyIndexes_.size()) {
            row.key = joinKey(key);
            if (const auto seen = file_.lineOfKey.constFind(row.key); seen != file_.lineOfKey.constEnd()) {
                errors_.add(file_.fileName, record.line,
                            QStringLiteral("chave repetida (%1), já na linha %2").arg(key.join(QStringLiteral(", "))).arg(*seen));
                continue;
            }
            file_.lineOfKey.insert(row.key, row.line);
        }
        if (good) return true;
    }
    reportStop();
    return false;
}

}  // namespace cot::server::registers
