#include "server/registers/csv_file.h"

#include <QStringDecoder>

namespace cot::server::registers {

namespace {

// Line (1-based) of the first byte that is not valid UTF-8, or nullopt.
std::optional<int> firstBadUtf8Line(const QByteArray& bytes) {
    int line = 1;
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)decoder.decode(QByteArrayView(bytes).sliced(start, end - start)).operator QString();
        if (decoder.hasError()) return line;
        start = end + 1;
        ++line;
    }
    return std::nullopt;
}

}  // namespace

CsvParse parseCsv(const QByteArray& raw) {
    CsvParse out;
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (const auto bad = firstBadUtf8Line(bytes)) {
        out.errorLine = *bad;
        out.error = QStringLiteral("o arquivo não está em UTF-8");
        return out;
    }
    const QString text = QString::fromUtf8(bytes);
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    auto fail = [&](int at, const QString& why) {
        out.errorLine = at;
        out.error = why;
        return out;
    };
    while (i < n) {
        CsvRecord record;
        record.line = line;
        // A blank line (nothing at all before its end) is no record.
        if (text[i] == u'\n' || (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')) {
            i += text[i] == u'\r' ? 2 : 1;
            ++line;
            continue;
        }
        bool recordEnded = false;
        while (!recordEnded) {
            CsvField field;
            if (i < n && text[i] == u'"') {
                field.quoted = true;
                const int opened = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field.text += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == u'\n') ++line;
                    field.text += c;
                    ++i;
                }
                if (!closed) return fail(opened, QStringLiteral("aspas abertas e não fechadas até o fim do arquivo"));
                const bool atEnd = i >= n || text[i] == u';' || text[i] == u'\n' ||
                                   (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n');
                if (!atEnd) return fail(line, QStringLiteral("texto após o fechamento das aspas (aspas dentro do "
                                                             "campo são escritas em dobro: \"\")"));
            } else {
                while (i < n) {
                    const QChar c = text[i];
                    if (c == u';' || c == u'\n' || (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')) break;
                    if (c == u'"')
                        return fail(line, QStringLiteral("aspas no meio de um campo sem aspas (escreva o campo "
                                                         "entre aspas e as aspas internas em dobro)"));
                    field.text += c;
                    ++i;
                }
            }
            record.fields << field;
            if (i >= n) {
                recordEnded = true;
            } else if (text[i] == u';') {
                ++i;
            } else {
                i += text[i] == u'\r' ? 2 : 1;
                ++line;
                recordEnded = true;
            }
        }
        out.records << record;
    }
    return out;
}

QByteArray csvRecord(const QList<std::optional<QString>>& fields) {
    QString out;
    for (qsizetype f = 0; f < fields.size(); ++f) {
        if (f > 0) out += u';';
        if (!fields[f]) continue;
        const QString& v = *fields[f];
        const bool quote = v.isEmpty() || v.contains(u';') || v.contains(u'"') || v.contains(u'\n') ||
                           v.contains(u'\r');
        if (!quote) {
            out += v;
            continue;
        }
        out += u'"';
        out += QString(v).replace(QStringLiteral("\""), QStringLiteral("\"\""));
        out += u'"';
    }
    out += u'\n';
    return out.toUtf8();
}

}  // namespace cot::server::registers
