// Bound edits, date and number edits, drop-down lists and the rich-text editor:
// auto edit, pending text through set-text handlers, masks, formats and refusals.

#include "data/data_source.h"
#include "support/screen_fixture.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/edits.h"
#include "ui/format_panel.h"
#include "ui/number_edit.h"
#include "ui/rich_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

class Controls : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
    void SetUp() override {
        ScreenFixture::SetUp();
        Packet p;
        p.fields = {{"NRPROPOSFAS", FieldType::String, 20}, {"DSREFEPROPOSFAS", FieldType::String, 10},
                    {"NRFAXPROPFAS", FieldType::String, 25},  {"DTVALPROPFAS", FieldType::DateTime, 0},
                    {"IDCLIENPROSP", FieldType::String, 1},   {"VRPACOTESERV", FieldType::Float, 0},
                    {"TXOBSPROPFAS", FieldType::Memo, 0}};
        p.rows << QVariantList{"1", "Ref", QVariant(), QDateTime(QDate(2026, 3, 10), QTime()), "C", 1500.5, QVariant()};
        p.rows << QVariantList{"2", "Outra", "1133334444", QVariant(), "P", 0.0, "texto simples"};
        table.setData(p);
        source.setDataSet(&table);
        table["NRFAXPROPFAS"].editMask = "(99)0000-0000;0; ";
        // The kind shows a word and stores its code.
        table["IDCLIENPROSP"].onGetText = [](Field& f, bool) {
            return f.asString() == "C" ? QString("Cliente") : f.asString() == "P" ? QString("Prospect") : QString();
        };
        table["IDCLIENPROSP"].onSetText = [](Field& f, const QString& text) {
            f.setValue(text == "Cliente" ? "C" : text == "Prospect" ? "P" : f.value());
        };
        new QVBoxLayout(&window);
        other = add(new TEdit("edtOutro"));  // a neutral edit to move the focus to
    }
    template <class T> T* add(T* w) { window.layout()->addWidget(w); return w; }
    // A control of type T on the window, bound to `field` of the proposal, the window shown.
    template <class T> T* bound(const char* name, const char* field) {
        auto* control = add(new T(name));
        control->setDataSource(&source);
        control->setDataField(field);
        showAndActivate(window);
        return control;
    }
    ClientTable table{"cdsProposta"};
    DataSource source{"dtsProposta"};
    QWidget window;
    TEdit* other = nullptr;
};

}  // namespace

// Typing edits the row at once but the text stays pending (another field of the row changing
// meanwhile keeps it) until the focus leaves or the row posts, through the set-text handler;
// a cancel brings the stored value back.
TEST_F(Controls, BoundEditTypingEditsThePendingTextGoesOnExitOrPostThroughTheSetTextHandlerAndAMaskStoresDigits) {
    auto* edit = bound<TDBEdit>("dbeDsReferencia", "DSREFEPROPOSFAS");
    EXPECT_EQ(QString::number(edit->maxLength()) + edit->QLineEdit::text(), "10Ref");
    focusWidget(*edit);
    edit->selectAll();
    typeText(*edit, "abc");
    EXPECT_TRUE(table.state() == DataSetState::Edit && table["DSREFEPROPOSFAS"].asString() == "Ref");
    table["VRPACOTESERV"].setAsFloat(10);
    EXPECT_EQ(edit->QLineEdit::text(), "abc");
    focusWidget(*other);
    EXPECT_EQ(table["DSREFEPROPOSFAS"].asString(), "abc");
    table.cancel();
    EXPECT_EQ(edit->QLineEdit::text(), "Ref");

    QStringList seen;
    table["DSREFEPROPOSFAS"].onSetText = [&](Field& f, const QString& text) { seen << text; f.setValue(text.toUpper()); };
    focusWidget(*edit);
    edit->selectAll();
    typeText(*edit, "nova");
    table.post();
    EXPECT_EQ(seen << table["DSREFEPROPOSFAS"].asString() << edit->QLineEdit::text(), QStringList({"nova", "NOVA", "NOVA"}));

    // A masked edit stores digits only.
    auto* fax = bound<TDBEdit>("dbeFax", "NRFAXPROPFAS");
    // A stored number comes back with its literals.
    table.next();
    EXPECT_EQ(fax->displayText(), "(11)3333-4444");

    // A new row focused by code, as a screen does after Incluir: typing starts at the
    // first blank, not after the blanks the previous row's text left the cursor behind.
    table.append();
    fax->setFocus();
    processEvents();
    typeText(*fax, "1140041234");
    EXPECT_EQ(fax->displayText(), "(11)4004-1234");
    table["NRPROPOSFAS"].setAsString("3");
    table.post();
    EXPECT_EQ(table["NRFAXPROPFAS"].asString(), "1140041234");
}

// Keys are refused when the field is read-only, the source does not edit by itself or the
// control is read-only; a text the field refuses keeps the focus and shows the error.
TEST_F(Controls, BoundEditRefusesKeysWhenTheFieldCannotChangeAndKeepsTheFocusOnARefusedText) {
    auto* edit = bound<TDBEdit>("dbeProposta", "NRPROPOSFAS");
    const std::function<void(bool)> blocks[] = {
        [&](bool on) { table["NRPROPOSFAS"].readOnly = on; },
        [&](bool on) { source.autoEdit = !on; },
        [&](bool on) { edit->setReadOnly(on); },
    };
    focusWidget(*edit);
    for (const auto& block : blocks) {
        block(true);
        edit->dataLink()->refresh();
        typeText(*edit, "9");
        EXPECT_TRUE(table.state() == DataSetState::Browse && edit->QLineEdit::text() == "1" && !edit->modified());
        block(false);
    }

    auto* value = bound<TDBEdit>("dbeVrPacote", "VRPACOTESERV");
    focusWidget(*value);
    EXPECT_EQ(value->QLineEdit::text(), table["VRPACOTESERV"].text());
    value->selectAll();
    typeText(*value, "12x");
    focusWidget(*other);
    EXPECT_TRUE(focused(*value) && dialogs.errors().size() == 1);
    EXPECT_DOUBLE_EQ(table["VRPACOTESERV"].asFloat(), 1500.5);
}

// A date that does not exist keeps the focus with its message, bound or not; an emptied
// bound date is "not set", and a set-text handler sees the masked empty text.
TEST_F(Controls, DateEditsValidateKeepTheFocusAndClearWhenEmptyAndNumberEditsFormat) {
    auto* date = bound<TDBDateEditPlus>("depValidade", "DTVALPROPFAS");
    auto* due = add(new TDateEditPlus("depDataVenc"));
    auto* total = add(new TNumberEdit("nedVrTotal"));
    total->setDisplayFormat("###,##0.00");
    showAndActivate(window);
    EXPECT_EQ(date->displayText() + ' ' + date->weekdayName(), "10/03/2026 Terça-feira");
    focusWidget(*date);
    date->selectAll();
    date->home(false);
    typeText(*date, "31022026");
    focusWidget(*other);
    EXPECT_TRUE(focused(*date) && table["DTVALPROPFAS"].asDateTime().date() == QDate(2026, 3, 10));
    date->setText(QString());
    focusWidget(*other);
    EXPECT_TRUE(table["DTVALPROPFAS"].isNull());
    QStringList seen;
    table["DTVALPROPFAS"].onSetText = [&](Field& f, const QString& text) { seen << text, f.clear(); };
    focusWidget(*date);
    date->setText(QString());
    focusWidget(*other);
    EXPECT_EQ(seen, QStringList({"  /  /    "}));

    EXPECT_TRUE(due->isEmpty() && !due->date().isValid());
    due->setDate(QDate(2026, 1, 4));
    EXPECT_EQ(QStringList({due->text(), due->weekdayName(), due->toolTip()}), QStringList({"04/01/2026", "Domingo", "Domingo"}));
    focusWidget(*due);
    due->setText("32/01/2026");
    focusWidget(*total);
    EXPECT_EQ(dialogs.errors(), QStringList({"'31/02/2026' não é uma data válida.", "'32/01/2026' não é uma data válida."}));
    EXPECT_TRUE(focused(*due));
    due->setText("");
    EXPECT_TRUE(focusWidget(*total) && focused(*total));

    // A number reads plain while focused, formatted after; letters are refused.
    total->setValue(1234.5);
    QStringList shown{total->text()};
    focusWidget(*other);
    shown << total->text() << QString::number(total->value());
    focusWidget(*total);
    total->selectAll();
    typeText(*total, "9x9,5");
    EXPECT_EQ(shown << total->text() << QString::number(total->value()), QStringList({"1234,50", "1.234,50", "1234.5", "99,5", "99.5"}));
}

TEST_F(Controls, BoundComboBoxShowsWordsAndStoresCodesThroughHandlers) {
    auto* kind = add(new TDBComboBox("dbcTipo"));
    kind->setItems({"Cliente", "Prospect"});
    kind->setDataSource(&source);
    kind->setDataField("IDCLIENPROSP");
    showAndActivate(window);
    const QString first = kind->text();
    table.next();
    EXPECT_EQ(first + u'|' + kind->text(), "Cliente|Prospect");
    EXPECT_TRUE(kind->choose(0) && table.state() == DataSetState::Edit);
    table.post();
    EXPECT_EQ(table["IDCLIENPROSP"].asString(), "C");

    // A change handler that writes another field of the row refreshes every control;
    // the pending choice must survive it and reach the field.
    kind->onChange = [this] { table["DSREFEPROPOSFAS"].setValue("Mudou"); };
    kind->setCurrentIndex(1);
    EXPECT_EQ(kind->text(), "Prospect");
    table.post();
    EXPECT_EQ(table["IDCLIENPROSP"].asString() + table["DSREFEPROPOSFAS"].asString(), "PMudou");
    kind->onChange = nullptr;

    source.autoEdit = false;
    EXPECT_TRUE(!kind->choose(0) && table["IDCLIENPROSP"].asString() == "P");
}

TEST_F(Controls, RichEditStoresHtmlReadsPlainTextAndFollowsTheToolbar) {
    auto* toolbar = add(new TFormatPanel("fpnObs"));
    auto* obs = bound<TDBRichEdit>("dbrObs", "TXOBSPROPFAS");

    table.next();
    toolbar->toggleBold();  // no editor attached yet: nothing happens
    EXPECT_TRUE(obs->toPlainText() == "texto simples" && table.state() == DataSetState::Browse);

    toolbar->setEditor(obs);
    focusWidget(*obs);
    obs->selectAll();
    toolbar->toggleBold();
    EXPECT_EQ(table.state(), DataSetState::Edit);
    table.post();
    const QString stored = table["TXOBSPROPFAS"].asString();
    EXPECT_TRUE(Qt::mightBeRichText(stored) && stored.contains("texto simples") &&
                (stored.contains("font-weight:700") || stored.contains("font-weight:600"))) << stored.toStdString();

    // Emptied text is stored as nothing, not as an empty HTML page.
    table.edit();
    obs->clear();
    table.post();
    EXPECT_TRUE(table["TXOBSPROPFAS"].isNull());
}
