#include "packet_json_reader.h"

#include <QHash>
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
// takes a fraction of the memory.
class ColumnTexts {
public:
    QString take(const Json& v) {
        const QByteArrayView bytes(v.GetString(), qsizetype(v.GetStringLength()));
        if (!open_) return QString::fromUtf8(bytes);
        const auto it = seen_.constFind(bytes);
        if (it != seen_.constEnd()) return *it;
        QString text = QString::fromUtf8(bytes);
        if (seen_.size() >= kMaxDistinct) {
            open_ = false;
            seen_.clear();
        } else {
            seen_.insert(bytes, text);
        }
        return text;
    }

private:
    static constexpr qsizetype kMaxDistinct = 64;
    // Keys point into the parsed text, which outlives the reading of the packet.
    QHash<QByteArrayView, QString> seen_;
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

// RapidJSON's full-precision reader turns a zero written with an exponent (0e308, 0.0e-5)
// into a tiny nonzero number. Such an exponent changes nothing, so it is blanked out.
void blankZeroExponents(char* text) {
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
            continue;
        }
        if (c != 'e' && c != 'E') continue;
        char* start = p;
        bool zero = false;
        while (start > text && (start[-1] == '0' || start[-1] == '.')) zero = *--start == '0' || zero;
        if (!zero || (start > text && start[-1] >= '1' && start[-1] <= '9')) continue;
        char* end = p + 1;
        if (*end == '+' || *end == '-') ++end;
        if (*end < '0' || *end > '9') continue;  // malformed: left for the reader to refuse
        while (*end >= '0' && *end <= '9') ++end;
        for (char* q = p; q < end; ++q) *q = ' ';
        p = end - 1;
    }
}

}  // namespace

bool parseJsonInPlace(rapidjson::Document& doc, char* text) {
    blankZeroExponents(text);
    doc.ParseInsitu<rapidjson::kParseFullPrecisionFlag>(text);
    return !doc.HasParseError();
}

Packet packetFromJsonValue(const Json& json) {
    if (!json.IsObject()) fail("Pacote de dados inválido: lista de campos ausente.");
    Packet p;
    p.fields = fieldsOf(member(json, "fields"));
    const Json* rows = member(json, "rows");
    if (!rows) return p;
    if (!rows->IsArray()) fail("Pacote de dados inválido: linhas ausentes.");
    const int n = int(p.fields.size());
    QList<FieldType> types;
    for (const FieldDef& f : p.fields) types << f.type;
    std::vector<ColumnTexts> texts(n);
    p.rows.reserve(rows->Size());
    for (const Json& r : rows->GetArray()) {
        if (!r.IsArray()) fail("Pacote de dados inválido: linha não é uma lista.");
        if (int(r.Size()) != n)
            fail("Pacote de dados inválido: linha com número de valores diferente dos campos.");
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) row.append(cellOf(r[rapidjson::SizeType(i)], types[i], texts[i]));
        p.rows.append(std::move(row));
    }
    return p;
}

Packet packetFromJsonText(QByteArray text) {
    rapidjson::Document doc;
    if (!parseJsonInPlace(doc, text.data())) fail("Pacote de dados inválido: texto JSON malformado.");
    return packetFromJsonValue(doc);
}

}  // namespace cot
