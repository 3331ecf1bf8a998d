#include "server/registers/register_file.h"

#include "server/registers/csv_file.h"
#include "server/registers/register_values.h"

namespace cot::server::registers {

void ImportErrors::add(const QString& file, std::optional<int> line, const QString& reason) {
    ++total_;
    if (kept_.size() >= kKept) return;
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
bool readHeader(const Register& reg, RegisterFile& out, const CsvRecord& header, ImportErrors& errors) {
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
            fault(QStringLiteral("coluna desconhecida %1 (colunas de %2: %3)")
                      .arg(name, reg.table, reg.columnNames().join(QStringLiteral(", "))));
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

RegisterFile readRegisterFile(const Register& reg, const QString& fileName, const QByteArray& bytes,
                              ImportErrors& errors) {
    RegisterFile out;
    out.reg = &reg;
    out.fileName = fileName;
    const CsvParse csv = parseCsv(bytes);
    if (csv.records.isEmpty()) {
        if (csv.errorLine) errors.add(fileName, *csv.errorLine, csv.error);
        else errors.add(fileName, std::nullopt, QStringLiteral("arquivo vazio (falta o cabeçalho com os nomes das colunas)"));
        return out;
    }
    if (!readHeader(reg, out, csv.records.first(), errors)) {
        if (csv.errorLine) errors.add(fileName, *csv.errorLine, csv.error);
        out.columns.clear();
        return out;
    }
    QList<int> keyIndexes;
    for (const QString& k : reg.keyColumns()) keyIndexes << out.indexOf(k);

    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const CsvRecord& record = csv.records[r];
        if (record.fields.size() != out.columns.size()) {
            errors.add(fileName, record.line,
                       QStringLiteral("a linha tem %1 campo(s) e o cabeçalho, %2").arg(record.fields.size()).arg(out.columns.size()));
            continue;
        }
        RegisterRow row;
        row.line = record.line;
        bool good = true;
        for (int c = 0; c < out.columns.size(); ++c) {
            const ParsedValue v = parseField(*out.columns[c], record.fields[c]);
            if (!v.error.isEmpty()) {
                errors.add(fileName, record.line, v.error);
                good = false;
                continue;
            }
            row.values << v.value;
            row.written << writtenForm(*out.columns[c], v.value);
        }
        // A row with a good key counts as present even when another of its fields is wrong,
        // so its dependants are not reported as well.
        QStringList key;
        for (int k : keyIndexes) {
            const ParsedValue v = parseField(*out.columns[k], record.fields[k]);
            if (!v.error.isEmpty()) break;
            key << *writtenForm(*out.columns[k], v.value);
        }
        if (key.size() == keyIndexes.size()) {
            row.key = joinKey(key);
            if (const auto seen = out.lineOfKey.constFind(row.key); seen != out.lineOfKey.constEnd()) {
                errors.add(fileName, record.line,
                           QStringLiteral("chave repetida (%1), já na linha %2")
                               .arg(key.join(QStringLiteral(", ")))
                               .arg(*seen));
                continue;
            }
            out.lineOfKey.insert(row.key, row.line);
        }
        if (good) out.rows << row;
    }
    if (csv.errorLine) errors.add(fileName, *csv.errorLine, csv.error);
    return out;
}

}  // namespace cot::server::registers
