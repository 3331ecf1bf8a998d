#include "server/registers/csv_file.h"

#include <QStringDecoder>

namespace cot::server::registers {

namespace {

constexpr qint64 kChunk = 64 * 1024;

bool isContinuationByte(int byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

CsvReader::CsvReader(QIODevice& in) : in_(in) {}

void CsvReader::setLimits(const QList<int>& limits, const QStringList& names, int others) {
    limits_ = limits;
    names_ = names;
    others_ = others;
}

int CsvReader::peek(int ahead) {
    if (buffer_.size() - at_ <= ahead) {
        buffer_.remove(0, at_);
        at_ = 0;
        while (buffer_.size() <= ahead) {
            const QByteArray more = in_.read(kChunk);
            if (more.isEmpty()) return -1;
            buffer_ += more;
        }
    }
    return uchar(buffer_.at(at_ + ahead));
}

int CsvReader::take() {
    const int byte = peek();
    if (byte >= 0) ++at_;
    return byte;
}

CsvReader::End CsvReader::fail(int line, const QString& why) {
    errorLine_ = line;
    error_ = why;
    return End::Fault;
}

CsvReader::End CsvReader::readField(CsvField& field, int index) {
    const int opened = line_;
    const qint64 limit = index < limits_.size() ? limits_[index] : others_;
    QByteArray raw;
    // Keeps a byte while the field is within its limit (a character's continuation bytes go
    // with its first); false once it runs too far past it.
    const auto keep = [&](int byte) {
        if (!isContinuationByte(byte)) ++field.length;
        if (field.length <= limit) {
            raw += char(byte);
            return true;
        }
        field.cut = true;
        return field.length <= limit + kOverrun;
    };
    const auto overrun = [&] {
        const QString name = index < names_.size() ? names_[index] + QStringLiteral(": ") : QString();
        return fail(line_, QStringLiteral("%1campo com mais de %2 caracteres; o resto do arquivo não foi lido")
                               .arg(name)
                               .arg(limit + kOverrun));
    };
    const auto decoded = [&](End end) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        field.text = decoder.decode(raw);
        if (decoder.hasError()) return fail(opened, QStringLiteral("o arquivo não está em UTF-8"));
        return end;
    };

    if (peek() != '"') {
        for (;;) {
            const int byte = take();
            if (byte < 0) return decoded(End::File);
            if (byte == ';') return decoded(End::Field);
            if (byte == '\n' || (byte == '\r' && peek() == '\n')) {
                if (byte == '\r') take();
                ++line_;
                return decoded(End::Record);
            }
            if (byte == '"')
                return fail(line_, QStringLiteral("aspas no meio de um campo sem aspas (escreva o campo "
                                                  "entre aspas e as aspas internas em dobro)"));
            if (!keep(byte)) return overrun();
        }
    }
    take();
    field.quoted = true;
    for (;;) {
        const int byte = take();
        if (byte < 0) return fail(opened, QStringLiteral("aspas abertas e não fechadas até o fim do arquivo"));
        if (byte == '"') {
            if (peek() != '"') break;
            take();
        } else if (byte == '\n' && ++line_ > kMaxLines) {
            return fail(line_, QStringLiteral("o arquivo passa de %1 linhas; o resto não foi lido").arg(kMaxLines));
        }
        if (!keep(byte)) return overrun();
    }
    const int after = take();
    if (after < 0) return decoded(End::File);
    if (after == ';') return decoded(End::Field);
    if (after == '\n' || (after == '\r' && peek() == '\n')) {
        if (after == '\r') take();
        ++line_;
        return decoded(End::Record);
    }
    return fail(line_, QStringLiteral("texto após o fechamento das aspas (aspas dentro do campo são "
                                      "escritas em dobro: \"\")"));
}

bool CsvReader::next(CsvRecord& record) {
    record = {};
    if (failed()) return false;
    if (!started_) {
        started_ = true;
        if (peek() == 0xEF && peek(1) == 0xBB && peek(2) == 0xBF) at_ += 3;
    }
    // A blank line (nothing at all before its end) is no record.
    for (;;) {
        const int byte = peek();
        if (byte < 0) return false;
        if (line_ > kMaxLines) {
            fail(line_, QStringLiteral("o arquivo passa de %1 linhas; o resto não foi lido").arg(kMaxLines));
            return false;
        }
        if (byte != '\n' && !(byte == '\r' && peek(1) == '\n')) break;
        take();
        if (byte == '\r') take();
        ++line_;
    }
    record.line = line_;
    for (;;) {
        if (record.fields.size() >= kMaxFields) {
            fail(record.line, QStringLiteral("linha com mais de %1 campos; o resto do arquivo não foi lido").arg(kMaxFields));
            return false;
        }
        CsvField field;
        const End end = readField(field, int(record.fields.size()));
        if (end == End::Fault) return false;
        record.fields << std::move(field);
        if (end != End::Field) return true;
    }
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
