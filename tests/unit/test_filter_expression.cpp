// Filters and locate over client tables, as the screens write them.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "data/filter_expression.h"

using namespace cot;

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
        try {
            t.setFiltered(true);
        } catch (const FilterError& e) {
            return e.text();
        }
        return {};
    }
};

}  // namespace

TEST(FilterExpression, LiteralsAreReadAsTheFieldType) {
    Filtered x;
    EXPECT_EQ(x.count("DTVELUSOPEDP ='25/12/2026'"), 1);  // date and time compared: 10:30 is another instant
    EXPECT_EQ(x.count("DTVELUSOPEDP = '25/12/2026 10:30'"), 1);
    EXPECT_EQ(x.count("DTVELUSOPEDP >= '25/12/2026' AND DTVELUSOPEDP < '26/12/2026'"), 2);
    EXPECT_EQ(x.count("DTVELUSOPEDP > '31/12/2026'"), 1);
    EXPECT_EQ(x.count("VRLICENCUSOPROP = '1500,5'"), 2);
    EXPECT_EQ(x.count("VRLICENCUSOPROP = 1500.5"), 2);
    EXPECT_EQ(x.count("VRLICENCUSOPROP > '9'"), 3);  // numeric, not text order
    EXPECT_EQ(x.count("QTMINIMAFATPROP >= 2"), 2);
    EXPECT_EQ(x.count("CDTXTPROPFAS = 'Abertura'"), 1);  // text is case-sensitive
    EXPECT_EQ(x.count("CDTXTPROPFAS = 'O''Brien'"), 1);
    EXPECT_EQ(x.count("(IDCHECK = 'S') "), 3);
    EXPECT_EQ(x.count("nrproposfas = '100' and NRVERPROPFAS = '2' And cdtxtpropfas = 'Fecho'"), 1);
    EXPECT_EQ(x.count("NOT (NRPROPOSFAS = '100') OR IDCHECK = 'N'"), 2);
    EXPECT_EQ(x.count("[NRPROPOSFAS] <> '100'"), 1);
    EXPECT_EQ(x.count("'100' = NRPROPOSFAS"), 4);
}

TEST(FilterExpression, EmptyValues) {
    Filtered x;
    // An empty number fails every comparison, so lines without a value are left out.
    EXPECT_EQ(x.count("VRLICENCUSOPROP <> '0' AND QTMINIMAFATPROP <> '0'"), 1);
    EXPECT_EQ(x.count("VRLICENCUSOPROP <> '0'"), 3);
    EXPECT_EQ(x.count("VRLICENCUSOPROP IS NULL"), 1);
    EXPECT_EQ(x.count("QTMINIMAFATPROP IS NOT NULL"), 4);
    EXPECT_EQ(x.count("DTVELUSOPEDP = ''"), 1);
    // Empty text is the same as no text.
    EXPECT_EQ(x.count("CDTXTPROPFAS = ''"), 1);
    EXPECT_EQ(x.count("IDCHECK <> 'S'"), 2);
    EXPECT_EQ(x.count("CDTXTPROPFAS IS NULL"), 1);
}

TEST(FilterExpression, MalformedFiltersAreRefusedAndTheViewIsKept) {
    Filtered x;
    EXPECT_EQ(x.error("CAMPOX = '1'"), "Filtro inválido: campo 'CAMPOX' não encontrado.");
    EXPECT_TRUE(x.error("NRPROPOSFAS = '100").contains("aspa")) << x.error("NRPROPOSFAS = '100").toStdString();
    EXPECT_EQ(x.error("DTVELUSOPEDP = '31/02/2026'"),
              "Filtro inválido: '31/02/2026' não é uma data válida para o campo DTVELUSOPEDP.");
    EXPECT_TRUE(x.error("VRLICENCUSOPROP = 'abc'").contains("número"));
    EXPECT_EQ(x.error("NRPROPOSFAS ="), "Filtro inválido: falta o valor depois de '='.");
    EXPECT_TRUE(x.error("NRPROPOSFAS = '1' AND").contains("depois de 'AND'"));
    EXPECT_TRUE(x.error("(NRPROPOSFAS = '1'").contains("parêntese"));
    EXPECT_TRUE(x.error("NRPROPOSFAS = '1')").contains("')'"));
    EXPECT_FALSE(x.error("NRPROPOSFAS").isEmpty());
    EXPECT_FALSE(x.error("NRPROPOSFAS '1'").isEmpty());
    EXPECT_FALSE(x.error("= '1'").isEmpty());
    EXPECT_FALSE(x.error("NRPROPOSFAS = '1' # 2").isEmpty());
    EXPECT_FALSE(x.t.filtered());
    EXPECT_EQ(x.t.recordCount(), 5);  // never "everything matches" by accident: the filter is off

    // A bad filter set while filtering keeps the filter in force.
    EXPECT_EQ(x.count("NRPROPOSFAS = '200'"), 1);
    EXPECT_THROW(x.t.setFilter("NRPROPOSFAS = "), FilterError);
    EXPECT_EQ(x.t.filter(), "NRPROPOSFAS = '200'");
    EXPECT_EQ(x.t.recordCount(), 1);
}

TEST(FilterExpression, FilteredViewFollowsEditsAndPosts) {
    Filtered x;
    int changes = 0;
    QObject::connect(&x.t, &ClientTable::dataSetChanged, [&] { ++changes; });
    x.t.last();
    EXPECT_EQ(x.count("NRPROPOSFAS = '100'"), 4);
    EXPECT_EQ(x.t.recNo(), 1);  // moved to the first visible row
    EXPECT_GE(changes, 1);

    x.t.edit();
    x.t["NRPROPOSFAS"].setValue("300");
    x.t.post();  // no longer passes: leaves the view
    EXPECT_EQ(x.t.recordCount(), 3);
    EXPECT_EQ(x.t["CDTXTPROPFAS"].asString(), "abertura");

    x.t.append();
    x.t["NRPROPOSFAS"].setValue("999");
    x.t.post();
    EXPECT_EQ(x.t.recordCount(), 3);
    x.t.setFiltered(false);
    EXPECT_EQ(x.t.recordCount(), 6);
    EXPECT_EQ(x.t.data().rows.size(), 6);
    EXPECT_EQ(x.t.changeCount(), 2);
}

TEST(FilterExpression, LocateOnSeveralFieldsIgnoringCase) {
    Filtered x;
    EXPECT_TRUE(x.t.locate("CDTXTPROPFAS;NRVERPROPFAS", {"ABERTURA", "2"}, loCaseInsensitive));
    EXPECT_EQ(x.t.recNo(), 2);
    EXPECT_TRUE(x.t.locate("cdtxtpropfas;NRVERPROPFAS", {"abertura", "1"}, loCaseInsensitive));
    EXPECT_EQ(x.t.recNo(), 1);
    EXPECT_FALSE(x.t.locate("CDTXTPROPFAS;NRVERPROPFAS", {"ABERTURA", "1"}));  // case matters by default
    EXPECT_EQ(x.t.recNo(), 1);  // not found: the cursor stays
    EXPECT_TRUE(x.t.locate("CDTXTPROPFAS", "fe", loCaseInsensitive | loPartialKey));
    EXPECT_EQ(x.t.recNo(), 3);
    EXPECT_TRUE(x.t.locate("DTVELUSOPEDP", "01/01/2027"));
    EXPECT_EQ(x.t.recNo(), 5);
    EXPECT_TRUE(x.t.locate("VRLICENCUSOPROP;QTMINIMAFATPROP", QVariantList{"1500,5", 2}));
    EXPECT_EQ(x.t.recNo(), 1);
    EXPECT_TRUE(x.t.locate("CDTXTPROPFAS", QVariant()));
    EXPECT_EQ(x.t.recNo(), 4);
    EXPECT_EQ(x.t.lookup("NRPROPOSFAS;NRVERPROPFAS", {"100", "2"}, "CDTXTPROPFAS").toString(), "abertura");
    EXPECT_EQ(x.t.recNo(), 4);
    EXPECT_THROW(x.t.locate("NAOEXISTE", "1"), UserError);
    EXPECT_THROW(x.t.locate("NRPROPOSFAS;NRVERPROPFAS", QVariantList{"100"}), UserError);

    // Locate searches only the rows the filter lets through.
    x.count("NRVERPROPFAS = '2'");
    EXPECT_FALSE(x.t.locate("NRPROPOSFAS", "200"));
}
