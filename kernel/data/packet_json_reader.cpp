#include "packet_json_reader.h"

#include <QHash>
#include <algorithm>
#include <vector>

#include "date_text.h"
#include "packet_json_value.h"

namespace cot {

namespace {

using Json = rapidjson::Value;

QString stringOf(const Json& v) { return QString::fromUtf8(v.GetString(), qsizetype(v.GetStringLength())); }

[[noreturn]] void fail(const char* text) { throw PacketError(text); }

const Json* member(const Json& object, const char* name) {
    const auto it = object.FindMember(name);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

QList<FieldDef> fieldsOf(const Json* json) {
    if (!json || !json->IsArray()) fail("Pacote de dados inválido: lista de campos ausente.");
    QList<FieldDef> fields;
    fields.reserve(json->Size());
    for (const Json& v : json->GetArray()) {
        const Json* name = v.IsObject() ? member(v, "name") : nullptr;
        if (!name || !name->IsString() || name->GetStringLength() == 0)
            fail("Pacote de dados inválido: campo sem nome.");
        FieldDef f;
        f.name = stringOf(*name);
        const Json* type = member(v, "type");
        try {
            f.type = fieldTypeFromName(type && type->IsString() ? stringOf(*type) : QString());
        } catch (const std::invalid_argument&) {
            throw PacketError(QStringLiteral("Pacote de dados inválido: tipo desconhecido no campo %1.")
                                  .arg(f.name).toStdString());
        }
        const Json* size = member(v, "size");
        f.size = size && size->IsInt() ? qMax(0, size->GetInt()) : 0;
        fields.append(f);
    }
    return fields;
}

// Texts of a column that repeat (branch, status, people, flags) share one string, as
// long as the column has few distinct ones: fewer allocations, and a list of many rows
// takes a fraction of the memory. The keys are copies: a list read row by row as it
// arrives parses each row in a buffer that is then reused.
class ColumnTexts {
public:
    QString take(const Json& v) {
        const char* bytes = v.GetString();
        const qsizetype size = qsizetype(v.GetStringLength());
        if (!open_) return QString::fromUtf8(bytes, size);
        const auto it = seen_.constFind(QByteArray::fromRawData(bytes, size));
        if (it != seen_.constEnd()) return *it;
        QString text = QString::fromUtf8(bytes, size);
        if (seen_.size() >= kMaxDistinct) {
            open_ = false;
            seen_.clear();
        } else {
            seen_.insert(QByteArray(bytes, size), text);
        }
        return text;
    }

private:
    static constexpr qsizetype kMaxDistinct = 64;
    QHash<QByteArray, QString> seen_;
    bool open_ = true;
};

QVariant cellOf(const Json& v, FieldType type, ColumnTexts& texts) {
    if (v.IsNull()) return {};
    switch (type) {
    case FieldType::Integer:
        if (v.IsInt64()) return qint64(v.GetInt64());
        if (v.IsNumber()) {
            if (const auto whole = integerOfDouble(v.GetDouble())) return *whole;
            throw PacketError("Pacote de dados inválido: número inteiro fora do intervalo.");
        }
        break;
    case FieldType::Float:
        if (v.IsNumber()) return v.GetDouble();
        break;
    case FieldType::Boolean:
        if (v.IsBool()) return v.GetBool();
        break;
    case FieldType::DateTime: {
        if (!v.IsString()) break;
        const QDateTime fast = parseIsoDateTime(QByteArrayView(v.GetString(), qsizetype(v.GetStringLength())));
        if (fast.isValid()) return fast;
        const QVariant other = coerceValue(stringOf(v), type);
        if (other.isNull()) fail("Pacote de dados inválido: data em formato desconhecido.");
        return other;
    }
    default:
        if (v.IsString()) return texts.take(v);
        break;
    }
    fail("Pacote de dados inválido: valor de tipo incompatível com o campo.");
}

// RapidJSON's full-precision number reader (1.1.0) goes wrong in three ways, all handled in
// one pass over the text before it reads it:
// - a zero written with an exponent or a long fraction (0e308, 0.0e-5, 0.000...0) reads as a
//   tiny nonzero number, or past its tables. What follows "0.0" changes nothing, so it is
//   blanked out;
// - a number beyond what a double holds (1e400, 1.8e308, 1e-330, a hundred digits then e308,
//   0.000...1 with hundreds of zeros) indexes past its table of powers of ten, or reads as
//   NaN or with the wrong sign. Such a number is refused, as the packet codec refuses it;
// - it rounds the first 20 significant digits into 64 bits, and 18446744073709551615 followed
//   by a 5 or more overflows to zero there. Such a number (21 digits at least) is refused too.
// A number is taken as 0.d1d2... times ten to the power `magnitude`, d1 its first nonzero digit.
constexpr int kMaxWrittenExponent = 400;
constexpr qint64 kMaxMagnitude = 309;   // the largest double is 0.17976931348623157e309
constexpr qint64 kMinMagnitude = -323;  // the least one is 0.49406564584124654e-323
// Leading digits of the halfway points from which reading rounds to infinity, and up to
// which it rounds to zero (2^1024 - 2^970 and 2^-1075).
constexpr char kOverflowDigits[] = "1797693134862315807937289714053034150799";
constexpr char kUnderflowDigits[] = "2470328229206232720882843964341106861825";
constexpr char kMaxSignificand[] = "18446744073709551615";
constexpr char kOutOfRange[] = "Pacote de dados inválido: número grande ou pequeno demais.";
constexpr char kTooManyDigits[] = "Pacote de dados inválido: número com algarismos significativos demais.";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The significant digits from `first` (the point skipped) against a halfway point's leading
// digits: negative when below it, positive when above, zero when they agree on every digit
// compared and go on, too close to the halfway point to be trusted to either side.
int compareDigits(const char* first, const char* end, const char* bound) {
    const char* p = first;
    for (; *bound; ++bound, ++p) {
        if (p < end && *p == '.') ++p;
        if (p >= end) return -1;
        if (*p != *bound) return *p < *bound ? -1 : 1;
    }
    for (; p < end; ++p)
        if (*p != '0' && *p != '.') return 0;
    return -1;
}

// True when the significant digits from `first` start with those of kMaxSignificand and the
// next one is a 5 or more.
bool overflowsSignificand(const char* first, const char* end) {
    const char* p = first;
    for (const char* digit = kMaxSignificand; *digit; ++digit, ++p) {
        if (p < end && *p == '.') ++p;
        if (p >= end || *p != *digit) return false;
    }
    if (p < end && *p == '.') ++p;
    return p < end && *p >= '5';
}

// Looks at the number starting at `p` (a '-' or a digit) and moves `p` to its end; the
// message refusing the number, or null.
const char* readyNumber(char*& p) {
    if (*p == '-') ++p;
    const char* first = nullptr;
    char* point = nullptr;
    qint64 magnitude = 0;
    bool digits = false;
    for (; isDigit(*p) || (*p == '.' && !point); ++p) {
        if (*p == '.') {
            point = p;
            continue;
        }
        digits = true;
        if (first) {
            if (!point) ++magnitude;
        } else if (*p != '0') {
            first = p;
            magnitude = point ? magnitude : 1;
        } else if (point) {
            --magnitude;  // a zero between the point and the first significant digit
        }
    }
    char* const mantissaEnd = p;
    qint64 exponent = 0;
    if (digits && (*p == 'e' || *p == 'E')) {
        const bool negative = p[1] == '-';
        p += p[1] == '+' || p[1] == '-' ? 2 : 1;
        if (!isDigit(*p)) return nullptr;  // malformed: left for the reader to refuse
        for (; isDigit(*p); ++p)
            if (exponent <= kMaxWrittenExponent) exponent = exponent * 10 + (*p - '0');
        if (negative) exponent = -exponent;
    }
    if (!first) {
        // A zero keeps one digit after its point at most ("0.0"): more, or an exponent, and
        // RapidJSON's reader reads past its tables.
        if (digits) std::fill(point ? std::min(point + 2, mantissaEnd) : mantissaEnd, p, ' ');
        return nullptr;
    }
    if (exponent > kMaxWrittenExponent || exponent < -kMaxWrittenExponent) return kOutOfRange;
    magnitude += exponent;
    if (magnitude > kMaxMagnitude || magnitude < kMinMagnitude) return kOutOfRange;
    if (magnitude == kMaxMagnitude && compareDigits(first, mantissaEnd, kOverflowDigits) >= 0) return kOutOfRange;
    if (magnitude == kMinMagnitude && compareDigits(first, mantissaEnd, kUnderflowDigits) <= 0) return kOutOfRange;
    if (overflowsSignificand(first, mantissaEnd)) return kTooManyDigits;
    return nullptr;
}

// The message refusing a number of the text, or null.
const char* readyNumbers(char* text) {
    bool inString = false;
    for (char* p = text; *p; ++p) {
        const char c = *p;
        if (inString) {
            if (c == '\\') {
                if (p[1]) ++p;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '-' || isDigit(c)) {
            if (const char* refusal = readyNumber(p)) return refusal;
            --p;  // at the number's end, which the loop steps past
        }
    }
    return nullptr;
}

// Parses the text in place; the message of its refusal, or null when it is JSON.
const char* parseInPlace(rapidjson::Document& doc, char* text) {
    if (const char* refusal = readyNumbers(text)) return refusal;
    doc.ParseInsitu<rapidjson::kParseFullPrecisionFlag>(text);
    return doc.HasParseError() ? "Pacote de dados inválido: texto JSON malformado." : nullptr;
}

}  // namespace

bool parseJsonInPlace(rapidjson::Document& doc, char* text) { return parseInPlace(doc, text) == nullptr; }

struct PacketRowsReader::State {
    Packet packet;
    QList<FieldType> types;
    std::vector<ColumnTexts> texts;
};

PacketRowsReader::PacketRowsReader(const rapidjson::Value* fields) : d(std::make_unique<State>()) {
    d->packet.fields = fieldsOf(fields);
    for (const FieldDef& f : d->packet.fields) d->types << f.type;
    d->texts.resize(size_t(d->packet.fields.size()));
}

PacketRowsReader::~PacketRowsReader() = default;

void PacketRowsReader::reserve(qsizetype rows) { d->packet.rows.reserve(rows); }

void PacketRowsReader::addRow(const rapidjson::Value& r) {
    if (!r.IsArray()) fail("Pacote de dados inválido: linha não é uma lista.");
    const int n = int(d->types.size());
    if (int(r.Size()) != n) fail("Pacote de dados inválido: linha com número de valores diferente dos campos.");
    QVariantList row;
    row.reserve(n);
    for (int i = 0; i < n; ++i) row.append(cellOf(r[rapidjson::SizeType(i)], d->types[i], d->texts[size_t(i)]));
    d->packet.rows.append(std::move(row));
}

qsizetype PacketRowsReader::rowCount() const { return d->packet.rows.size(); }

Packet PacketRowsReader::take() { return std::move(d->packet); }

Packet packetFromJsonValue(const Json& json) {
    if (!json.IsObject()) fail("Pacote de dados inválido: lista de campos ausente.");
    PacketRowsReader reader(member(json, "fields"));
    const Json* rows = member(json, "rows");
    if (!rows) return reader.take();
    if (!rows->IsArray()) fail("Pacote de dados inválido: linhas ausentes.");
    reader.reserve(rows->Size());
    for (const Json& r : rows->GetArray()) reader.addRow(r);
    return reader.take();
}

Packet packetFromJsonText(QByteArray text) {
    rapidjson::Document doc;
    if (const char* refusal = parseInPlace(doc, text.data())) fail(refusal);
    return packetFromJsonValue(doc);
}

}  // namespace cot
