// Field values as users see and type them (Brazilian settings), text handlers and
// calculated fields. The number and date patterns themselves are format_br's (test_format_br).
#include "unit_cases.h"

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

QDateTime at(int d, int m, int y, QTime time = QTime(0, 0)) { return QDateTime(QDate(y, m, d), time); }

}  // namespace

TEST(ClientTableFields, DisplayAndEditTextsUseBrazilianSeparators) {
    Table x;
    x.value.setValue(1234567.891);
    x.value.displayFormat = "#,##0.00";
    x.value.editFormat = "##0.00";
    EXPECT_EQ((QStringList{x.value.displayText(), x.value.text()}), (QStringList{"1.234.567,89", "1234567,89"}));
    x.value.setValue(300.5);
    x.value.displayFormat.clear();
    x.value.editFormat.clear();
    EXPECT_EQ((QStringList{x.value.displayText(), x.value.asString()}), (QStringList{"300,5", "300.5"}));
    x.value.clear();
    EXPECT_TRUE(x.value.displayText().isEmpty() && x.value.asFloat() == 0.0);

    x.date.setValue(at(25, 12, 2026));
    x.date.displayFormat = "ddd ddddd";
    QStringList shownDates{x.date.displayText()};
    x.date.displayFormat = "dd/mm/yyyy hh:nn";
    shownDates << x.date.displayText() << x.date.asString();
    x.date.setValue(at(5, 1, 2026, QTime(14, 30, 15)));
    EXPECT_EQ(shownDates << x.date.asString(), QStringList({"25/12/2026", "25/12/2026 00:00", "25/12/2026", "05/01/2026 14:30:15"}));
    x.date.clear();
    EXPECT_TRUE(x.date.displayText().isEmpty() && !x.date.asDateTime().isValid());

    // Strings are cut to their size, and empty means null.
    x.code.setValue("ABCDEFGH");
    EXPECT_EQ(x.code.asString(), "ABCDE");
    x.code.setValue("");
    EXPECT_TRUE(x.code.value().isNull());

    // Typed text is parsed or refused with a clear message.
    x.value.setText("1.500,50");
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 1500.5);
    x.value.setText("");
    EXPECT_TRUE(x.value.isNull());
    const std::pair<std::function<void()>, const char*> refused[] = {
        {[&] { x.value.setText("abc"); }, "'abc' não é um valor de ponto flutuante válido."},
        {[&] { x.value.setText("1,2,3"); }, "'1,2,3' não é um valor de ponto flutuante válido."},
        {[&] { x.value.setText("1e5"); }, "'1e5' não é um valor de ponto flutuante válido."},
        {[&] { x.qty.setText("2,5"); }, "'2,5' não é um valor inteiro válido."},
        {[&] { x.date.setText("31/02/2026"); }, "'31/02/2026' não é uma data válida."}};
    for (const auto& [act, error] : refused) EXPECT_EQ(userErrorOf(act), QString::fromUtf8(error));
    EXPECT_TRUE(x.value.isNull() && x.qty.isNull() && x.date.isNull());  // a refused text changes nothing

    // Two-digit years, milliseconds, and ISO as programs write it.
    const std::pair<const char*, QDateTime> dates[] = {
        {"1/2/27", at(1, 2, 2027)}, {"1/2/75", at(1, 2, 1975)},
        {"05/01/2027 14:30:15.250", at(5, 1, 2027, QTime(14, 30, 15, 250))},
        {"2026-12-06 10:30", at(6, 12, 2026, QTime(10, 30))}};
    for (const auto& [text, expected] : dates) {
        x.date.setText(text);
        EXPECT_EQ(x.date.asDateTime(), expected) << text;
    }
    x.date.setText("  /  /    ");
    EXPECT_TRUE(x.date.isNull());

    // Numbers given as text through setValue are read the same way, never silently lost.
    x.value.setValue(QString("2,25"));
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 2.25);
    EXPECT_FALSE(userErrorOf([&] { x.value.setValue(QString("dois")); }).isEmpty());
    EXPECT_DOUBLE_EQ(x.value.asFloat(), 2.25);

    // Text handlers: a one-letter code shown as a word; unknown words leave the value unchanged.
    x.code.onGetText = [](Field& f, bool) { return f.asString() == "P" ? QString("Prospect") : f.asString(); };
    x.code.onSetText = [](Field& f, const QString& text) {
        if (text == "Prospect") f.setValue("P");
    };
    x.code.setText("Prospect");
    const QStringList shown{x.code.asString(), x.code.displayText(), x.code.text()};
    x.code.setText("Outro");
    EXPECT_EQ(shown + QStringList{x.code.asString()}, (QStringList{"P", "Prospect", "Prospect", "P"}));

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
    t.onCalcFields = [&](ClientTable& ds) {
        ds["VRTOTASERV"].setAsFloat(ds["QTSERVPROP"].asFloat() * ds["VRDEHORAPROP"].asFloat());
    };
    Packet p;
    p.fields = {{"QTSERVPROP", FieldType::Float, 0}, {"VRDEHORAPROP", FieldType::Float, 0}};
    p.rows = {{2.0, 100.0}, {3.0, 50.5}};
    t.setData(p);
    QList<double> totals;
    for (t.first(); !t.eof(); t.next()) totals << total.asFloat();
    EXPECT_EQ(totals, (QList<double>{200.0, 151.5}));

    t.edit();
    t["QTSERVPROP"].setValue(4.0);
    EXPECT_DOUBLE_EQ(total.asFloat(), 202.0);  // recalculated while editing
    t.post();
    EXPECT_DOUBLE_EQ(total.asFloat(), 202.0);
    EXPECT_EQ(QList<qsizetype>({t.data().fields.size(), t.delta().fields.size()}), QList<qsizetype>({2, 2}));
    EXPECT_THROW(total.setValue(1.0), UserError);  // not in edit

    // Grids read any row without moving the cursor.
    double first = 0;
    t.withRow(0, [&] { first = total.asFloat(); });
    EXPECT_EQ(QList<double>({first, double(t.recNo())}), QList<double>({200.0, 2.0}));

    // A calculated field can be filtered and located on.
    t.setFilter("VRTOTASERV > 201");
    t.setFiltered(true);
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.lookup("QTSERVPROP", {4.0}, "VRTOTASERV").toDouble(), 202.0);
}
