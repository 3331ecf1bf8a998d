// Field values as users see and type them (Brazilian settings), text handlers and
// calculated fields.
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "base/errors.h"

#include <tuple>

using namespace cot;

namespace {

struct Table {
    ClientTable t;
    Field& code;
    Field& value;
    Field& date;
    Field& qty;
    Table()
        : code(t.addField("CODIGO", FieldType::String, 5)),
          value(t.addField("VALOR", FieldType::Float)),
          date(t.addField("DATA", FieldType::DateTime)),
          qty(t.addField("QTD", FieldType::Integer)) {
        t.createDataSet();
        t.append();
    }
};

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace

TEST(ClientTableFields, DisplayFormatsUseBrazilianSeparators) {
    Table x;
    // -0.001 shows no "-0,00"; 2.675 is rounded on the decimal text, as formatFloat does.
    const std::tuple<double, const char*, const char*> shown[] = {
        {1500.0, "#,##0.00", "1.500,00"},  {1234567.891, "#,##0.00", "1.234.567,89"},
        {1234567.891, "###,##0.00", "1.234.567,89"}, {1234567.891, "##0.00", "1234567,89"},
        {-0.5, "###0.00", "-0,50"}, {-0.001, "###0.00", "0,00"}, {2.675, "###0.00", "2,68"}};
    for (const auto& [value, format, text] : shown) {
        x.value.setValue(value);
        x.value.displayFormat = format;
        EXPECT_EQ(x.value.displayText(), text) << format;
    }
    x.value.setValue(300.5);
    x.value.displayFormat.clear();
    EXPECT_EQ(x.value.displayText(), "300,5");
    EXPECT_EQ(x.value.asString(), "300.5");
    x.value.displayFormat = "#,##0.00";
    x.value.editFormat = "##0.00";
    x.value.setValue(1500.0);
    EXPECT_EQ(x.value.text(), "1500,00");
    x.value.clear();
    EXPECT_EQ(x.value.displayText(), "");
    EXPECT_EQ(x.value.asFloat(), 0.0);

    x.date.setValue(QDateTime(QDate(2026, 12, 25), QTime(0, 0)));
    x.date.displayFormat = "ddd ddddd";
    EXPECT_EQ(x.date.displayText(), "25/12/2026");
    x.date.displayFormat = "dd/mm/yyyy hh:nn";
    EXPECT_EQ(x.date.displayText(), "25/12/2026 00:00");
    EXPECT_EQ(x.date.asString(), "25/12/2026");
    x.date.setValue(QDateTime(QDate(2026, 1, 5), QTime(14, 30, 15)));
    EXPECT_EQ(x.date.asString(), "05/01/2026 14:30:15");
    x.date.clear();
    EXPECT_EQ(x.date.displayText(), "");
    EXPECT_FALSE(x.date.asDateTime().isValid());
}

TEST(ClientTableFields, TypedTextIsParsedOrRefusedWithAClearMessage) {
    Table x;
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, double>>{
             {"1.500,50", 1500.5}, {"1500,5", 1500.5}, {"1500.5", 1500.5}, {"1.500", 1500.0}, {"0.125", 0.125}}) {
        x.value.setText(text);
        EXPECT_DOUBLE_EQ(x.value.asFloat(), value) << text;
    }
    x.value.setText("");
    EXPECT_TRUE(x.value.isNull());

    EXPECT_EQ(errorOf([&] { x.value.setText("abc"); }), "'abc' não é um valor de ponto flutuante válido.");
    EXPECT_EQ(errorOf([&] { x.value.setText("1,2,3"); }), "'1,2,3' não é um valor de ponto flutuante válido.");
    EXPECT_EQ(errorOf([&] { x.qty.setText("2,5"); }), "'2,5' não é um valor inteiro válido.");
    EXPECT_EQ(errorOf([&] { x.date.setText("31/02/2026"); }), "'31/02/2026' não é uma data válida.");
    EXPECT_TRUE(x.value.isNull());  // a refused text leaves the value as it was

    // Two-digit years, milliseconds, and ISO as programs write it.
    const std::pair<const char*, QDateTime> dates[] = {
        {"25/12/2026", QDateTime(QDate(2026, 12, 25), QTime(0, 0))}, {"1/2/27", QDateTime(QDate(2027, 2, 1), QTime(0, 0))},
        {"1/2/75", QDateTime(QDate(1975, 2, 1), QTime(0, 0))},
        {"05/01/2027 14:30:15.250", QDateTime(QDate(2027, 1, 5), QTime(14, 30, 15, 250))},
        {"2026-12-06 10:30", QDateTime(QDate(2026, 12, 6), QTime(10, 30))}};
    for (const auto& [text, at] : dates) {
        x.date.setText(text);
        EXPECT_EQ(x.date.asDateTime(), at) << text;
    }
    x.date.setText("  /  /    ");
    EXPECT_TRUE(x.date.isNull());
    // the same rules as parseFloatBr: no exponents in typed numbers
    EXPECT_FALSE(errorOf([&] { x.value.setText("1e5"); }).isEmpty());

    // Numbers given as text through setValue are read the same way, never silently lost.
    x.value.setValue(QString("2,25"));
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 2.25);
    EXPECT_FALSE(errorOf([&] { x.value.setValue(QString("dois")); }).isEmpty());
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 2.25);
}

TEST(ClientTableFields, StringsAreCutToTheirSizeAndEmptyMeansNull) {
    Table x;
    x.code.setValue("ABCDEFGH");
    EXPECT_EQ(x.code.asString(), "ABCDE");
    x.code.setValue("");
    EXPECT_TRUE(x.code.isNull());
    EXPECT_TRUE(x.code.value().isNull());
}

TEST(ClientTableFields, TextHandlersValidateAndChange) {
    Table x;
    // One-letter code shown as a word; unknown words leave the value unchanged.
    x.code.onGetText = [](Field& f, bool) {
        const QString v = f.asString();
        return v == "C" ? QString("Cliente") : v == "P" ? QString("Prospect") : v;
    };
    x.code.onSetText = [](Field& f, const QString& text) {
        if (text == "Cliente") f.setValue("C");
        else if (text == "Prospect") f.setValue("P");
    };
    x.code.setText("Prospect");
    EXPECT_EQ(x.code.asString(), "P");
    EXPECT_EQ(x.code.displayText(), "Prospect");
    EXPECT_EQ(x.code.text(), "Prospect");
    x.code.setText("Outro");
    EXPECT_EQ(x.code.asString(), "P");

    QStringList log;
    x.value.onValidate = [&](Field& f) {
        log << "validate " + f.asString();
        if (f.asFloat() < 0) throw UserError("Valor negativo");
    };
    x.value.onChange = [&](Field& f) { log << "change " + f.asString(); };
    x.value.setValue(10.0);
    EXPECT_THROW(x.value.setValue(-1.0), UserError);
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 10.0);
    EXPECT_EQ(log, (QStringList{"validate 10", "change 10", "validate -1"}));
}

TEST(ClientTableFields, CalculatedFieldsFollowTheRowAndStayOutOfThePacket) {
    ClientTable t;
    t.addField("QTSERVPROP", FieldType::Float);
    t.addField("VRDEHORAPROP", FieldType::Float);
    Field& total = t.addField("VRTOTASERV", FieldType::Float, 0, FieldKind::Calculated);
    int calls = 0;
    t.onCalcFields = [&](ClientTable& ds) {
        ++calls;
        ds["VRTOTASERV"].setAsFloat(ds["QTSERVPROP"].asFloat() * ds["VRDEHORAPROP"].asFloat());
    };
    Packet p;
    p.fields = {{"QTSERVPROP", FieldType::Float, 0}, {"VRDEHORAPROP", FieldType::Float, 0}};
    p.rows = {{2.0, 100.0}, {3.0, 50.5}};
    t.setData(p);
    EXPECT_DOUBLE_EQ(total.asFloat(), 200.0);
    t.next();
    EXPECT_DOUBLE_EQ(total.asFloat(), 151.5);

    double sum = 0;
    for (t.first(); !t.eof(); t.next()) sum += total.asFloat();
    EXPECT_DOUBLE_EQ(sum, 351.5);

    t.edit();
    t["QTSERVPROP"].setValue(4.0);
    EXPECT_DOUBLE_EQ(total.asFloat(), 202.0);  // recalculated while editing
    t.post();
    EXPECT_DOUBLE_EQ(total.asFloat(), 202.0);
    EXPECT_EQ(t.data().fields.size(), 2);
    EXPECT_EQ(t.delta().fields.size(), 2);
    EXPECT_THROW(total.setValue(1.0), UserError);  // not in edit

    // Grids read any row without moving the cursor.
    const int before = t.recNo();
    double first = 0;
    t.withRow(0, [&] { first = total.asFloat(); });
    EXPECT_DOUBLE_EQ(first, 200.0);
    EXPECT_EQ(t.recNo(), before);
    EXPECT_GT(calls, 0);

    // A calculated field can be filtered and located on.
    t.setFilter("VRTOTASERV > 201");
    t.setFiltered(true);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.lookup("QTSERVPROP", {4.0}, "VRTOTASERV").toDouble(), 202.0);
}
