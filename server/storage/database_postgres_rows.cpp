// Reading rows of a PostgreSQL connection through libpq, on the connection the Qt driver
// holds (so inside the caller's transaction when there is one). Rows arrive one at a time
// in single-row mode and are read where libpq keeps them: no QVariant per value for what
// is read as integer, real or text, and never a whole result in memory.
#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QTime>
#include <charconv>
#include <cmath>
#include <limits>
#include <libpq-fe.h>
#include <vector>

#include "server/storage/database_sql.h"
#include "sql/sql_text.h"

namespace cot::server::detail {

namespace {

// Type OIDs of the built-in types (pg_type.dat); fixed since they are part of the catalog.
enum : Oid {
    kBool = 16, kBytea = 17, kName = 19, kInt8 = 20, kInt2 = 21, kInt4 = 23, kRegproc = 24, kText = 25,
    kOid = 26, kXid = 28, kCid = 29, kFloat4 = 700, kFloat8 = 701, kBpchar = 1042, kVarchar = 1043,
    kDate = 1082, kTime = 1083, kTimestamp = 1114, kTimestampTz = 1184, kTimeTz = 1266, kNumeric = 1700,
};

using Kind = SqlRow::Kind;

Kind kindOf(Oid type) {
    switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
        return Kind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return Kind::Real;
    case kText:
    case kVarchar:
    case kBpchar:
    case kName:
        return Kind::Text;
    default:
        return Kind::Other;
    }
}

// The Qt type the PostgreSQL driver gives a column of this type.
QMetaType qtTypeOf(Oid type) {
    switch (type) {
    case kBool: return QMetaType::fromType<bool>();
    case kInt8: return QMetaType::fromType<qlonglong>();
    case kInt2:
    case kInt4:
    case kOid:
    case kRegproc:
    case kXid:
    case kCid:
        return QMetaType::fromType<int>();
    case kNumeric:
    case kFloat4:
    case kFloat8:
        return QMetaType::fromType<double>();
    case kDate: return QMetaType::fromType<QDate>();
    case kTime:
    case kTimeTz:
        return QMetaType::fromType<QTime>();
    case kTimestamp:
    case kTimestampTz:
        return QMetaType::fromType<QDateTime>();
    case kBytea: return QMetaType::fromType<QByteArray>();
    default: return QMetaType::fromType<QString>();
    }
}

// A number in PostgreSQL's text form, including NaN and the infinities.
double parseReal(const char* p, int size) {
    double v = 0;
    const auto r = std::from_chars(p, p + size, v);
    if (r.ec == std::errc() && r.ptr == p + size) return v;
    const QByteArrayView t(p, size);
    if (t.compare("NaN", Qt::CaseInsensitive) == 0) return std::numeric_limits<double>::quiet_NaN();
    if (t.compare("Infinity", Qt::CaseInsensitive) == 0) return std::numeric_limits<double>::infinity();
    if (t.compare("-Infinity", Qt::CaseInsensitive) == 0) return -std::numeric_limits<double>::infinity();
    return std::strtod(QByteArray(p, size).constData(), nullptr);
}

// Digits at p as a number; -1 when one is not a digit.
int digits(const char* p, int count) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        n = n * 10 + (p[i] - '0');
    }
    return n;
}

// "YYYY-MM-DD", as PostgreSQL writes dates in ISO style; invalid for anything else.
QDate isoDate(const char* p, int size) {
    if (size < 10 || p[4] != '-' || p[7] != '-') return {};
    const int y = digits(p, 4), m = digits(p + 5, 2), d = digits(p + 8, 2);
    return y < 0 || m < 0 || d < 0 ? QDate() : QDate(y, m, d);
}

// A timestamp without zone, "YYYY-MM-DD HH:MM:SS" and at most milliseconds, read the way
// the driver reads it (local time) without its general parser; invalid for anything else,
// which then goes the driver's way.
QDateTime plainTimestamp(const char* p, int size) {
    if (size != 19 && (size < 21 || size > 23)) return {};
    if (p[10] != ' ' || p[13] != ':' || p[16] != ':' || (size > 19 && p[19] != '.')) return {};
    const QDate date = isoDate(p, 10);
    const int h = digits(p + 11, 2), mi = digits(p + 14, 2), sec = digits(p + 17, 2);
    int ms = 0;
    if (size > 19) {
        ms = digits(p + 20, size - 20);
        for (int i = size - 20; i < 3 && ms >= 0; ++i) ms *= 10;
    }
    if (!date.isValid() || h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 59 || ms < 0) return {};
    return QDateTime(date, QTime(h, mi, sec, ms));
}

class ResultRow final : public SqlRow {
public:
    // Column names and types, taken from the first result (every row of a query has the same).
    void describe(const PGresult* r) {
        names_.clear();
        types_.clear();
        for (int c = 0; c < PQnfields(r); ++c) {
            names_ << QString::fromUtf8(PQfname(r, c)).toUpper();
            types_.push_back(PQftype(r, c));
        }
    }
    void setResult(const PGresult* r) { r_ = r; }

    int columns() const override { return int(types_.size()); }
    QString columnName(int c) const override { return names_.value(c); }
    Kind kind(int c) const override { return PQgetisnull(r_, 0, c) ? Kind::Null : kindOf(types_[c]); }
    qint64 integer(int c) const override {
        const char* p = PQgetvalue(r_, 0, c);
        const int size = PQgetlength(r_, 0, c);
        qint64 v = 0;
        const auto r = std::from_chars(p, p + size, v);
        if (r.ec == std::errc() && r.ptr == p + size) return v;
        if (types_[c] == kBool) return p[0] == 't' ? 1 : 0;
        const double d = parseReal(p, size);
        return std::isfinite(d) ? qint64(d) : 0;
    }
    double real(int c) const override { return parseReal(PQgetvalue(r_, 0, c), PQgetlength(r_, 0, c)); }
    QByteArrayView text(int c) const override { return QByteArrayView(PQgetvalue(r_, 0, c), PQgetlength(r_, 0, c)); }

    // What the Qt PostgreSQL driver gives for the value (a null keeps its column's type).
    QVariant value(int c) const override {
        const Oid type = types_[c];
        if (PQgetisnull(r_, 0, c)) return QVariant(qtTypeOf(type), nullptr);
        const char* p = PQgetvalue(r_, 0, c);
        const int size = PQgetlength(r_, 0, c);
        const QByteArray raw = QByteArray::fromRawData(p, size);
        switch (qtTypeOf(type).id()) {
        case QMetaType::Bool: return p[0] == 't';
        case QMetaType::LongLong: return p[0] == '-' ? QVariant(raw.toLongLong()) : QVariant(raw.toULongLong());
        case QMetaType::Int: return raw.toInt();
        case QMetaType::Double: return parseReal(p, size);
        case QMetaType::QDate: {
            const QDate fast = isoDate(p, size);
            if (fast.isValid() && size == 10) return fast;
            return QDate::fromString(QString::fromLatin1(raw), Qt::ISODate);
        }
        case QMetaType::QTime: return QTime::fromString(QString::fromLatin1(raw), Qt::ISODate);
        case QMetaType::QDateTime: {
            if (type == kTimestamp) {
                const QDateTime fast = plainTimestamp(p, size);
                if (fast.isValid()) return fast;
            }
            // As the driver reads it: a bare "+hh" offset completed to "+hh:00", the result
            // in local time.
            QString t = QString::fromLatin1(raw);
            if (t.size() < 10) return QDateTime();
            const QChar sign = t[t.size() - 3];
            if (sign == u'-' || sign == u'+') t += QLatin1String(":00");
            return QDateTime::fromString(t, Qt::ISODate).toLocalTime();
        }
        case QMetaType::QByteArray: {
            size_t length = 0;
            unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(p), &length);
            QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(length));
            PQfreemem(bytes);
            return out;
        }
        default: return QString::fromUtf8(p, size);
        }
    }

private:
    const PGresult* r_ = nullptr;
    QStringList names_;
    std::vector<Oid> types_;
};

struct ClearedResult {
    PGresult* r = nullptr;
    ~ClearedResult() { PQclear(r); }
    void reset(PGresult* next) {
        PQclear(r);
        r = next;
    }
};

// Parameters in the text form the server parses, typed as the driver's literals would be:
// integers and fractions as numbers, the rest (texts, dates) left for the server to infer
// from where they are used.
struct Parameters {
    std::vector<QByteArray> texts;
    std::vector<Oid> types;
    std::vector<const char*> values;
    std::vector<int> lengths, formats;

    explicit Parameters(const QVariantList& list) {
        texts.resize(list.size());
        types.resize(list.size(), 0);
        values.resize(list.size(), nullptr);
        lengths.resize(list.size(), 0);
        formats.resize(list.size(), 0);
        for (int i = 0; i < list.size(); ++i) {
            const QVariant& v = list[i];
            if (v.isNull()) continue;
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::LongLong: {
                const qlonglong n = v.toLongLong();
                types[i] = n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max() ? kInt4 : kInt8;
                texts[i] = QByteArray::number(n);
                break;
            }
            case QMetaType::ULongLong:
                types[i] = kNumeric;
                texts[i] = QByteArray::number(v.toULongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float: {
                const double d = v.toDouble();
                types[i] = kNumeric;
                texts[i] = std::isnan(d)   ? QByteArray("NaN")
                           : std::isinf(d) ? QByteArray(d < 0 ? "-Infinity" : "Infinity")
                                           : QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
                break;
            }
            case QMetaType::QByteArray:
                types[i] = kBytea;
                texts[i] = v.toByteArray();
                formats[i] = 1;  // sent as is, in binary
                break;
            default:
                texts[i] = v.toString().toUtf8();
            }
            values[i] = texts[i].constData();
            lengths[i] = int(texts[i].size());
        }
    }
};

// ":NAME" markers became "?"; libpq numbers its parameters "$1", "$2"... The caller sends
// here only texts that had no "?" of their own, so every "?" is a marker.
QByteArray numbered(const QString& positional) {
    QString out;
    out.reserve(positional.size() + 16);
    int n = 0;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < positional.size(); ++i) {
        if (positional[i] != u'?') continue;
        out += QStringView(positional).mid(copied, i - copied);
        out += u'$' + QString::number(++n);
        copied = i + 1;
    }
    out += QStringView(positional).mid(copied);
    return out.toUtf8();
}

QString errorText(PGconn* conn, const PGresult* r) {
    const char* message = r ? PQresultErrorMessage(r) : nullptr;
    if (!message || !*message) message = PQerrorMessage(conn);
    return QString::fromUtf8(message).trimmed();
}

// Leaves the connection ready for the next command: asks the server to stop sending when
// `cancel` is set, then reads whatever is left.
void drain(PGconn* conn, bool cancel) {
    if (cancel) {
        if (PGcancel* c = PQgetCancel(conn)) {
            char message[256];
            PQcancel(c, message, int(sizeof message));
            PQfreeCancel(c);
        }
    }
    while (PGresult* r = PQgetResult(conn)) PQclear(r);
}

}  // namespace

void SqlDatabase::forEachPostgresRow(const QString& sql, const QVariantMap& params,
                                     const std::function<void(const SqlRow&)>& onRow) {
    const QVariant handle = db_->driver()->handle();
    // PGconn is a typedef of struct pg_conn: the handle's type goes by either name.
    PGconn* conn = handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 ||
                                        qstrcmp(handle.typeName(), "pg_conn*") == 0)
                       ? *static_cast<PGconn* const*>(handle.constData())
                       : nullptr;
    if (!conn || PQstatus(conn) != CONNECTION_OK) throw DatabaseError("conexão PostgreSQL indisponível");
    const auto fail = [&](const QString& message) {
        throw DatabaseError(QStringLiteral("%1 [SQL: %2]").arg(message, sql.simplified()).toStdString());
    };
    // The Qt driver reads its forward-only queries in single-row mode too, and a finished
    // one may leave its last results unread on the connection: read them, or libpq refuses
    // to send another command.
    if (PQtransactionStatus(conn) == PQTRANS_ACTIVE) drain(conn, false);
    // Whatever leaves the reading early (an error or a throwing callback) cancels the rest;
    // inside a transaction the rest is read instead, since a cancel would abort it.
    const PGTransactionStatusType status = PQtransactionStatus(conn);
    const bool inTransaction = status == PQTRANS_INTRANS || status == PQTRANS_INERROR || depth_ > 0;

    const sql::PositionalSql positional = sql::toPositional(sql);
    const QByteArray text = numbered(positional.sql);
    const Parameters p(boundValues(positional, params));
    if (!PQsendQueryParams(conn, text.constData(), int(p.values.size()), p.types.data(), p.values.data(),
                           p.lengths.data(), p.formats.data(), 0)) {
        const QString message = errorText(conn, nullptr);
        drain(conn, false);
        fail(message);
    }
    if (!PQsetSingleRowMode(conn)) {
        drain(conn, true);
        fail(QStringLiteral("modo de uma linha indisponível"));
    }

    struct Drain {
        PGconn* conn;
        bool cancel;
        bool done = false;
        ~Drain() {
            if (!done) drain(conn, cancel);
        }
    } pending{conn, !inTransaction};

    ResultRow row;
    ClearedResult result;
    bool described = false;
    for (;;) {
        result.reset(PQgetResult(conn));
        if (!result.r) break;
        switch (PQresultStatus(result.r)) {
        case PGRES_SINGLE_TUPLE:
            if (!described) {
                row.describe(result.r);
                described = true;
            }
            row.setResult(result.r);
            onRow(row);
            break;
        case PGRES_TUPLES_OK:
        case PGRES_COMMAND_OK:
            break;
        default: {
            const QString message = errorText(conn, result.r);
            result.reset(nullptr);
            pending.cancel = false;  // the server has stopped already
            fail(message);
        }
        }
    }
    pending.done = true;
}

}  // namespace cot::server::detail
