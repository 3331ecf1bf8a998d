// Filters and locate over client tables, as the screens write them.
#include "data/filter_expression.h"
#include "unit_cases.h"

namespace {

QDateTime day(int d, int m, int y, int h = 0, int min = 0) { return QDateTime(QDate(y, m, d), QTime(h, min)); }

Packet lines() {
    Packet p;
    p.fields = {{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                {"CDTXTPROPFAS", FieldType::String, 10}, {"IDCHECK", FieldType::FixedString, 1},
                {"VRLICENCUSOPROP", FieldType::Float, 0}, {"QTMINIMAFATPROP", FieldType::Integer, 0},
                {"DTVELUSOPEDP", FieldType::DateTime, 0}};
    p.rows = {
        {"100", "1", "Abertura", "S", 1500.5, qint64(2), day(25, 12, 2026)},
        {"100", "2", "abertura", "N", 0.0, qint64(1), day(25, 12, 2026, 10, 30)},
        {"100", "2", "Fecho", "S", QVariant(), qint64(3), day(26, 12, 2026)},
        {"200", "1", QVariant(), QVariant(), 10.0, QVariant(), QVariant()},
        {"100", "1", "O'Brien", "S", 1500.5, qint64(0), day(1, 1, 2027)},
    };
    return p;
}

struct Filtered {
    ClientTable t;
    Filtered() { t.setData(lines()); }
    int count(const QString& f) {
        t.setFilter(f);
        t.setFiltered(true);
        return t.recordCount();
    }
    QString error(const QString& f) {
        t.setFiltered(false);
        t.setFilter(f);
        return userErrorOf([&] { t.setFiltered(true); });
    }
};

}  // namespace

TEST(FilterExpression, LiteralsAreReadAsTheFieldTypeAndMalformedFiltersAreRefused) {
    // Dates compare with their time (10:30 is another instant), numbers by value, texts with
    // their case. An empty number fails every comparison, so lines without a value are left
    // out; empty text is the same as no text.
    const std::pair<const char*, int> cases[] = {
        {"DTVELUSOPEDP ='25/12/2026'", 1}, {"DTVELUSOPEDP = '25/12/2026 10:30'", 1},
        {"DTVELUSOPEDP >= '25/12/2026' AND DTVELUSOPEDP < '26/12/2026'", 2}, {"DTVELUSOPEDP > '31/12/2026'", 1},
        {"VRLICENCUSOPROP = '1500,5'", 2}, {"VRLICENCUSOPROP = 1500.5", 2}, {"VRLICENCUSOPROP > '9'", 3},
        {"QTMINIMAFATPROP >= 2", 2}, {"CDTXTPROPFAS = 'Abertura'", 1}, {"CDTXTPROPFAS = 'O''Brien'", 1},
        {"(IDCHECK = 'S') ", 3}, {"nrproposfas = '100' and NRVERPROPFAS = '2' And cdtxtpropfas = 'Fecho'", 1},
        {"NOT (NRPROPOSFAS = '100') OR IDCHECK = 'N'", 2}, {"[NRPROPOSFAS] <> '100'", 1}, {"'100' = NRPROPOSFAS", 4},
        {"VRLICENCUSOPROP <> '0' AND QTMINIMAFATPROP <> '0'", 1}, {"VRLICENCUSOPROP <> '0'", 3},
        {"VRLICENCUSOPROP IS NULL", 1}, {"QTMINIMAFATPROP IS NOT NULL", 4}, {"DTVELUSOPEDP = ''", 1},
        {"CDTXTPROPFAS = ''", 1}, {"IDCHECK <> 'S'", 2}, {"CDTXTPROPFAS IS NULL", 1}};
    Filtered x;
    for (const auto& [filter, count] : cases) EXPECT_EQ(x.count(filter), count) << filter;

    // Malformed filters: exact messages, pieces of messages, or just a refusal ("").
    const std::pair<const char*, const char*> exact[] = {
        {"CAMPOX = '1'", "Filtro inválido: campo 'CAMPOX' não encontrado."},
        {"DTVELUSOPEDP = '31/02/2026'", "Filtro inválido: '31/02/2026' não é uma data válida para o campo DTVELUSOPEDP."},
        {"NRPROPOSFAS =", "Filtro inválido: falta o valor depois de '='."}};
    const std::pair<const char*, const char*> containing[] = {
        {"NRPROPOSFAS = '100", "aspa"}, {"VRLICENCUSOPROP = 'abc'", "número"},
        {"NRPROPOSFAS = '1' AND", "depois de 'AND'"}, {"(NRPROPOSFAS = '1'", "parêntese"}, {"NRPROPOSFAS = '1')", "')'"},
        {"NRPROPOSFAS", ""}, {"NRPROPOSFAS '1'", ""}, {"= '1'", ""}, {"NRPROPOSFAS = '1' # 2", ""}};
    for (const auto& [filter, error] : exact) EXPECT_EQ(x.error(filter), QString::fromUtf8(error));
    for (const auto& [filter, piece] : containing) {
        const QString error = x.error(filter);
        EXPECT_TRUE(!error.isEmpty() && error.contains(QString::fromUtf8(piece))) << filter << ": " << error.toStdString();
    }
    EXPECT_FALSE(x.t.filtered() || x.t.recordCount() != 5);  // never "everything matches" by accident: the filter is off

    // A bad filter set while filtering keeps the filter in force.
    EXPECT_EQ(x.count("NRPROPOSFAS = '200'"), 1);
    EXPECT_THROW(x.t.setFilter("NRPROPOSFAS = "), FilterError);
    EXPECT_EQ(QStringList({x.t.filter(), QString::number(x.t.recordCount())}), QStringList({"NRPROPOSFAS = '200'", "1"}));
}

// Nesting by hand stays accepted; nesting deep enough to exhaust the parser's stack is a
// filter error instead of a crash of the screen that applies it.
TEST(FilterExpression, DeepNestingIsAFilterErrorNotACrash) {
    const auto resolve = [](const QString& name) -> std::optional<FilterExpression::FieldInfo> {
        if (name.compare(QStringLiteral("NRPROPOSFAS"), Qt::CaseInsensitive) == 0)
            return FilterExpression::FieldInfo{FieldType::String, 0};
        return std::nullopt;
    };
    const auto nested = [](const char* open, int depth, const char* close) {
        return QString(open).repeated(depth) + QStringLiteral("NRPROPOSFAS = '1'") + QString(close).repeated(depth);
    };
    for (const QString& accepted : {nested("(", 50, ")"), nested("NOT ", 50, ""), nested("(NOT ", 40, ")")})
        EXPECT_NE(FilterExpression::compile(accepted, resolve), nullptr);
    for (const int depth : {101, 5000, 100000}) {
        EXPECT_THROW(FilterExpression::compile(nested("(", depth, ")"), resolve), FilterError) << depth;
        EXPECT_THROW(FilterExpression::compile(nested("NOT ", depth, ""), resolve), FilterError) << depth;
    }
}

TEST(FilterExpression, FilteredViewFollowsEditsAndPosts) {
    Filtered x;
    int changes = 0;
    QObject::connect(&x.t, &ClientTable::dataSetChanged, [&] { ++changes; });
    x.t.last();
    EXPECT_EQ(QList<int>({x.count("NRPROPOSFAS = '100'"), x.t.recNo()}), QList<int>({4, 1}));  // at the first visible row
    EXPECT_GE(changes, 1);

    x.t.edit();
    x.t["NRPROPOSFAS"].setValue("300");
    x.t.post();  // no longer passes: leaves the view
    EXPECT_EQ(QStringList({QString::number(x.t.recordCount()), x.t["CDTXTPROPFAS"].asString()}), QStringList({"3", "abertura"}));

    x.t.append();
    x.t["NRPROPOSFAS"].setValue("999");
    x.t.post();
    EXPECT_EQ(x.t.recordCount(), 3);
    x.t.setFiltered(false);
    EXPECT_EQ(QList<int>({x.t.recordCount(), x.t.changeCount()}), QList<int>({6, 2}));
}

TEST(FilterExpression, LocateOnSeveralFieldsIgnoringCase) {
    Filtered x;
    // The row found, or 0 when none is (the cursor then stays).
    const auto found = [&](const char* fields, const QVariantList& values, LocateOptions options = 0) {
        return x.t.locate(fields, values, options) ? x.t.recNo() : 0;
    };
    EXPECT_EQ(found("CDTXTPROPFAS;NRVERPROPFAS", {"ABERTURA", "2"}, loCaseInsensitive), 2);
    EXPECT_EQ(found("cdtxtpropfas;NRVERPROPFAS", {"abertura", "1"}, loCaseInsensitive), 1);
    EXPECT_EQ(found("CDTXTPROPFAS;NRVERPROPFAS", {"ABERTURA", "2"}), 0);  // case matters by default
    EXPECT_EQ(x.t.recNo(), 1);
    EXPECT_EQ(found("CDTXTPROPFAS", {"fe"}, loCaseInsensitive | loPartialKey), 3);
    EXPECT_EQ(found("DTVELUSOPEDP", {"01/01/2027"}), 5);
    EXPECT_EQ(found("VRLICENCUSOPROP;QTMINIMAFATPROP", {"1500,5", 2}), 1);
    EXPECT_EQ(found("CDTXTPROPFAS", {QVariant()}), 4);
    EXPECT_EQ(x.t.lookup("NRPROPOSFAS;NRVERPROPFAS", {"100", "2"}, "CDTXTPROPFAS").toString(), "abertura");
    EXPECT_EQ(x.t.recNo(), 4);
    EXPECT_THROW(x.t.locate("NAOEXISTE", "1"), UserError);
    EXPECT_THROW(x.t.locate("NRPROPOSFAS;NRVERPROPFAS", QVariantList{"100"}), UserError);

    // Locate searches only the rows the filter lets through.
    x.count("NRVERPROPFAS = '2'");
    EXPECT_FALSE(x.t.locate("NRPROPOSFAS", "200"));
}
