#include "fuzz_entries.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/date_text.h"
#include "data/filter_expression.h"
#include "data/format_br.h"
#include "data/packet.h"
#include "data/packet_json_reader.h"
#include "data/packet_json_writer.h"
#include "data/selection_text.h"
#include "server/methods/selection_text.h"
#include "server/rpc/json_rpc.h"
#include "server/storage/database.h"
#include "services/mask_text.h"

namespace cot::fuzz {

namespace {

QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

void require(bool condition, const char* what) {
    if (!condition) throw FuzzFinding(what);
}

bool isValidUtf8(const QByteArray& text) {
    return QString::fromUtf8(text).toUtf8() == text;
}

// --- JSON-RPC -------------------------------------------------------------------------

// Methods reached by the decoder never get this far with SQL: every call is refused.
class NoDatabase : public server::Database {
public:
    server::Dialect dialect() const override { return server::Dialect::Sqlite; }
    QString url() const override { return QStringLiteral("sqlite::fuzz:"); }
    Packet query(const QString&, const QVariantMap&, const QList<FieldDef>&) override { refuse(); }
    void forEachRow(const QString&, const QVariantMap&, const std::function<void(const server::SqlRow&)>&) override {
        refuse();
    }
    QVariant scalar(const QString&, const QVariantMap&) override { refuse(); }
    int exec(const QString&, const QVariantMap&) override { refuse(); }
    void begin() override { open_ = true; }
    void commit() override { open_ = false; }
    void rollback() override { open_ = false; }
    bool inTransaction() const override { return open_; }

private:
    [[noreturn]] static void refuse() { throw server::DatabaseError("sem banco de dados"); }
    bool open_ = false;
};

class NoDatabaseSource : public server::DatabaseSource {
public:
    server::Database& get() override { return db_; }
    void discard() override {}

private:
    NoDatabase db_;
};

// Set by a method when an argument accessor throws something it does not document.
bool unexpectedInMethod = false;

// Reads every argument through each typed accessor, as real methods do.
server::Reply readAllArgs(server::MethodContext&, const server::Args& args) {
    int read = 0;
    for (int i = 0; i < args.size(); ++i) {
        auto attempt = [&](auto&& accessor) {
            try {
                accessor();
                ++read;
            } catch (const server::MethodError&) {
            } catch (const PacketError&) {
            } catch (...) {
                unexpectedInMethod = true;
            }
        };
        attempt([&] { (void)args.raw(i); });
        attempt([&] { (void)args.isNull(i); });
        attempt([&] { (void)args.string(i); });
        attempt([&] { (void)args.date(i); });
        attempt([&] { (void)args.number(i); });
        attempt([&] { (void)args.integer(i); });
        attempt([&] { (void)args.delta(i); });
        attempt([&] { (void)args.packet(i); });
    }
    return server::Reply(QJsonValue(read));
}

const server::MethodRegistry& fuzzRegistry() {
    static const server::MethodRegistry registry = [] {
        // Open methods, so inputs without a session still reach the argument decoders;
        // Fuzz.Db needs a session, so the refusal path is exercised too.
        server::MethodRegistry r;
        r.add(QStringLiteral("Fuzz.Args"), 0, 8, server::AccessRule::open(), readAllArgs);
        r.add(QStringLiteral("Fuzz.One"), 1, 1, server::AccessRule::open(), readAllArgs);
        r.add(QStringLiteral("Fuzz.Db"), 0, server::AccessRule::session(), [](server::MethodContext& c, const server::Args&) {
            return server::Reply(c.db.scalar(QStringLiteral("SELECT 1")).toString());
        });
        r.add(QStringLiteral("Fuzz.Open"), 0, 0, server::AccessRule::open(), [](server::MethodContext& c, const server::Args&) {
            c.db.begin();  // left open on purpose: the dispatcher must refuse it
            return server::Reply();
        });
        return r;
    }();
    return registry;
}

// --- filter ---------------------------------------------------------------------------

struct FilterField {
    const char* name;
    FieldType type;
};
const FilterField kFilterFields[] = {
    {"NRPROPOSFAS", FieldType::String},   {"DTVALPROPFAS", FieldType::DateTime},
    {"IDSOLPROPFAS", FieldType::FixedString}, {"VLTOTPROPFAS", FieldType::Float},
    {"QTPARCFAS", FieldType::Integer},    {"FLATIVOFAS", FieldType::Boolean},
    {"DSOBSPROPFAS", FieldType::Memo},    {"NOME COM ESPACO", FieldType::String},
};
constexpr int kFilterFieldCount = sizeof(kFilterFields) / sizeof(kFilterFields[0]);

class FilterRow : public FilterExpression::Row {
public:
    explicit FilterRow(QVariantList values) : values_(std::move(values)) {}
    const QVariant& value(int index) const override { return values_.at(index); }

private:
    QVariantList values_;
};

}  // namespace

void rpcRequest(const uint8_t* data, size_t size) {
    // The dispatcher logs every refused method; millions of runs need no such log.
    static const bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    (void)quiet;
    NoDatabaseSource databases;
    const server::JsonRpcDispatcher dispatcher(fuzzRegistry());
    unexpectedInMethod = false;
    const server::RpcAnswer answer = dispatcher.answer(bytes(data, size), databases);
    require(!unexpectedInMethod, "argument accessor threw an undocumented exception");
    require(!answer.isStreamed(), "no fuzz method streams");
    if (answer.body.isEmpty()) return;  // notifications only
    QJsonParseError error;
    QJsonDocument::fromJson(answer.body, &error);
    require(error.error == QJsonParseError::NoError, "answer is not JSON");
}

void packetText(const uint8_t* data, size_t size) {
    const QByteArray text = bytes(data, size);
    try {
        const Packet packet = packetFromJsonText(text);
        // What was read must survive the trip back through the tree codec.
        const QByteArray again = QJsonDocument(packetToJson(packet)).toJson(QJsonDocument::Compact);
        const Packet reread = packetFromJsonText(again);
        require(reread.fields == packet.fields, "fields changed on the round trip");
        require(reread.rows.size() == packet.rows.size(), "rows changed on the round trip");
    } catch (const PacketError&) {
    }

    // The packet writer must give JSON text whose text cell reads back to the same string.
    if (isValidUtf8(text)) {
        const QList<FieldDef> fields{{"T", FieldType::Memo, 0}};
        QByteArray out;
        PacketJsonWriter w(out, fields);
        w.beginRow();
        w.text(QByteArrayView(text));
        w.endRow();
        w.finish();
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
        require(error.error == QJsonParseError::NoError, "written string is not JSON");
        require(doc.object()["rows"].toArray().at(0).toArray().at(0).toString() == QString::fromUtf8(text),
                "written string reads back different");
    }
}

void deltaText(const uint8_t* data, size_t size) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes(data, size), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return;
    try {
        const Delta delta = deltaFromJson(doc.object());
        const Delta reread = deltaFromJson(deltaToJson(delta));
        require(reread.fields == delta.fields, "delta fields changed on the round trip");
        require(reread.changes.size() == delta.changes.size(), "delta changes lost on the round trip");
    } catch (const PacketError&) {
    }
}

void filterExpression(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(bytes(data, size));
    const FilterExpression::Resolver resolver = [](const QString& name) -> std::optional<FilterExpression::FieldInfo> {
        for (int i = 0; i < kFilterFieldCount; ++i)
            if (name.compare(QLatin1String(kFilterFields[i].name), Qt::CaseInsensitive) == 0)
                return FilterExpression::FieldInfo{kFilterFields[i].type, i};
        return std::nullopt;
    };
    std::shared_ptr<const FilterExpression> filter;
    try {
        filter = FilterExpression::compile(text, resolver);
    } catch (const FilterError&) {
        return;
    }
    if (!filter) return;
    const FilterRow empty(QVariantList{QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                                       QVariant(), QVariant()});
    const FilterRow full(QVariantList{QStringLiteral("1"),
                                      QVariant(QDateTime(QDate(2026, 12, 1), QTime(10, 30))),
                                      QStringLiteral("S"), QVariant(1234.56), QVariant(qint64(12)),
                                      QVariant(true), QStringLiteral("observação"), QStringLiteral("")});
    (void)filter->matches(empty);
    (void)filter->matches(full);
}

void selectionText(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(bytes(data, size));
    const std::optional<QStringList> codes = parseSelectionText(text);
    if (!codes) return;
    // Writing the codes and reading them again gives the same codes.
    const std::optional<QStringList> again = parseSelectionText(cot::selectionText(*codes));
    require(again.has_value(), "written selection does not read back");
    require(*again == *codes, "selection codes changed on the round trip");
    QVariantMap params;
    const QString condition = server::inCondition(QStringLiteral("NRPROPOSFAS"), *codes, QStringLiteral("P"), params);
    require(params.size() == codes->size(), "one bound parameter per code");
    require(!condition.contains(QLatin1Char('\'')), "codes must never be pasted into SQL");
}

void maskText(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(bytes(data, size));
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    const QString mask = cut < 0 ? text : text.left(cut);
    const QString value = cut < 0 ? QString() : text.mid(cut + 1);
    (void)formatMaskText(mask, value);
}

void dateText(const uint8_t* data, size_t size) {
    const QByteArray raw = bytes(data, size);
    const QDateTime fromBytes = parseIsoDateTime(QByteArrayView(raw));
    if (isValidUtf8(raw)) {
        const QDateTime fromText = parseIsoDateTime(QString::fromUtf8(raw));
        require(fromBytes.isValid() == fromText.isValid(), "text and byte date readers disagree");
        if (fromBytes.isValid()) require(fromBytes == fromText, "text and byte date readers disagree");
    }
    if (fromBytes.isValid()) {
        const QDateTime again = parseIsoDateTime(isoDateTimeText(fromBytes));
        require(again == fromBytes, "written date reads back different");
    }
    const QString text = QString::fromUtf8(raw);
    const QDate br = parseDateBr(text);
    if (br.isValid()) require(parseDateBr(formatDate(br)) == br, "written dd/mm/yyyy date reads back different");
    const QDateTime brTime = parseDateTimeBr(text);
    if (brTime.isValid()) (void)formatDateTime(brTime);
}

}  // namespace cot::fuzz
