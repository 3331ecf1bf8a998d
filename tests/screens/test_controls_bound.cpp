// Bound edits, date and number edits, drop-down lists and the rich-text editor:
// auto edit, pending text through set-text handlers, masks, formats and refusals.
#include <gtest/gtest.h>

#include <QVBoxLayout>
#include <functional>

#include "data/client_table.h"
#include "data/data_source.h"
#include "base/errors.h"
#include "support/screen_widgets.h"
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

struct Proposal {
    ClientTable table{"cdsProposta"};
    DataSource source{"dtsProposta"};

    Proposal() {
        ensureApplication();
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
        Field& kind = table["IDCLIENPROSP"];
        kind.onGetText = [](Field& f, bool) {
            return f.asString() == "C" ? QString("Cliente") : f.asString() == "P" ? QString("Prospect") : QString();
        };
        kind.onSetText = [](Field& f, const QString& text) {
            if (text == "Cliente") f.setValue("C");
            else if (text == "Prospect") f.setValue("P");
        };
    }
};

// A window with the controls under test plus a neutral edit to move the focus to.
struct Window {
    QWidget widget;
    TEdit* other;
    Window() {
        new QVBoxLayout(&widget);
        other = add(new TEdit("edtOutro"));
    }
    template <class T>
    T* add(T* w) {
        widget.layout()->addWidget(w);
        return w;
    }
};

class Controls : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
    // A control of type T on the window, bound to `field` of the proposal, the window shown.
    template <class T>
    T* bound(const char* name, const char* field) {
        auto* control = w.add(new T(name));
        control->setDataSource(&p.source);
        control->setDataField(field);
        showAndActivate(w.widget);
        return control;
    }
    Proposal p;
    Window w;
};

}  // namespace

// Typing edits the row at once but the text stays pending (another field of the row changing
// meanwhile keeps it) until the focus leaves or the row posts, through the set-text handler;
// a cancel brings the stored value back.
TEST_F(Controls, BoundEditTypingEditsAndThePendingTextGoesOnExitOrPostThroughTheSetTextHandler) {
    auto* edit = bound<TDBEdit>("dbeDsReferencia", "DSREFEPROPOSFAS");
    EXPECT_EQ(edit->maxLength(), 10);
    EXPECT_EQ(edit->QLineEdit::text(), "Ref");
    focusWidget(*edit);
    edit->selectAll();
    typeText(*edit, "abc");
    EXPECT_EQ(p.table.state(), DataSetState::Edit);
    EXPECT_EQ(p.table["DSREFEPROPOSFAS"].asString(), "Ref");
    p.table["VRPACOTESERV"].setAsFloat(10);
    EXPECT_EQ(edit->QLineEdit::text(), "abc");
    focusWidget(*w.other);
    EXPECT_EQ(p.table["DSREFEPROPOSFAS"].asString(), "abc");
    p.table.cancel();
    EXPECT_EQ(edit->QLineEdit::text(), "Ref");

    QStringList seen;
    p.table["DSREFEPROPOSFAS"].onSetText = [&](Field& f, const QString& text) {
        seen << text;
        f.setValue(text.toUpper());
    };
    focusWidget(*edit);
    edit->selectAll();
    typeText(*edit, "nova");
    p.table.post();
    EXPECT_EQ(seen, QStringList({"nova"}));
    EXPECT_EQ(p.table["DSREFEPROPOSFAS"].asString(), "NOVA");
    EXPECT_EQ(edit->QLineEdit::text(), "NOVA");
}

// Keys are refused when the field is read-only, the source does not edit by itself or the
// control is read-only; a text the field refuses keeps the focus and shows the error.
TEST_F(Controls, BoundEditRefusesKeysWhenTheFieldCannotChangeAndKeepsTheFocusOnARefusedText) {
    auto* edit = bound<TDBEdit>("dbeProposta", "NRPROPOSFAS");
    const std::function<void(bool)> blocks[] = {
        [&](bool on) { p.table["NRPROPOSFAS"].readOnly = on; },
        [&](bool on) { p.source.autoEdit = !on; },
        [&](bool on) { edit->setReadOnly(on); },
    };
    focusWidget(*edit);
    for (const auto& block : blocks) {
        block(true);
        edit->dataLink()->refresh();
        typeText(*edit, "9");
        EXPECT_EQ(p.table.state(), DataSetState::Browse);
        EXPECT_EQ(edit->QLineEdit::text(), "1");
        EXPECT_FALSE(edit->modified());
        block(false);
    }

    auto* value = bound<TDBEdit>("dbeVrPacote", "VRPACOTESERV");
    focusWidget(*value);
    EXPECT_EQ(value->QLineEdit::text(), p.table["VRPACOTESERV"].text());
    value->selectAll();
    typeText(*value, "12x");
    focusWidget(*w.other);
    EXPECT_TRUE(focused(*value));
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_DOUBLE_EQ(p.table["VRPACOTESERV"].asFloat(), 1500.5);
}

TEST_F(Controls, BoundEditMaskStoresDigitsOnly) {
    auto* fax = bound<TDBEdit>("dbeFax", "NRFAXPROPFAS");
    // A stored number comes back with its literals.
    p.table.next();
    EXPECT_EQ(fax->displayText(), "(11)3333-4444");

    // A new row focused by code, as a screen does after Incluir: typing starts at the
    // first blank, not after the blanks the previous row's text left the cursor behind.
    p.table.append();
    fax->setFocus();
    processEvents();
    typeText(*fax, "1140041234");
    EXPECT_EQ(fax->displayText(), "(11)4004-1234");
    p.table["NRPROPOSFAS"].setAsString("3");
    p.table.post();
    EXPECT_EQ(p.table["NRFAXPROPFAS"].asString(), "1140041234");
}

TEST_F(Controls, DateEditsBoundDateValidatesKeepsFocusAndClearsWhenEmpty) {
    auto* date = bound<TDBDateEditPlus>("depValidade", "DTVALPROPFAS");
    EXPECT_EQ(date->displayText(), "10/03/2026");
    EXPECT_EQ(date->weekdayName(), "Terça-feira");

    focusWidget(*date);
    date->selectAll();
    date->home(false);
    typeText(*date, "31022026");
    focusWidget(*w.other);
    EXPECT_EQ(dialogs.errors(), QStringList({"'31/02/2026' não é uma data válida."}));
    EXPECT_TRUE(focused(*date));
    EXPECT_EQ(p.table["DTVALPROPFAS"].asDateTime().date(), QDate(2026, 3, 10));

    date->setText(QString());  // emptied: "not set"
    focusWidget(*w.other);
    EXPECT_TRUE(p.table["DTVALPROPFAS"].isNull());

    // With a set-text handler, the handler sees the masked empty text.
    QStringList seen;
    p.table["DTVALPROPFAS"].onSetText = [&](Field& f, const QString& text) {
        seen << text;
        f.clear();
    };
    focusWidget(*date);
    date->setText(QString());
    focusWidget(*w.other);
    EXPECT_EQ(seen, QStringList({"  /  /    "}));
}

TEST_F(Controls, DateEditsUnboundDateAndNumberEdits) {
    auto* due = w.add(new TDateEditPlus("depDataVenc"));
    auto* total = w.add(new TNumberEdit("nedVrTotal"));
    total->setDisplayFormat("###,##0.00");
    showAndActivate(w.widget);

    EXPECT_TRUE(due->isEmpty());
    EXPECT_FALSE(due->date().isValid());
    due->setDate(QDate(2026, 1, 4));
    EXPECT_EQ(due->text(), "04/01/2026");
    EXPECT_EQ(due->weekdayName(), "Domingo");
    EXPECT_EQ(due->toolTip(), "Domingo");
    focusWidget(*due);
    due->setText("32/01/2026");
    focusWidget(*total);
    EXPECT_EQ(dialogs.errors(), QStringList({"'32/01/2026' não é uma data válida."}));
    EXPECT_TRUE(focused(*due));
    due->setText("");
    focusWidget(*total);
    EXPECT_TRUE(focused(*total));

    total->setValue(1234.5);
    EXPECT_EQ(total->text(), "1234,50");  // focused: plain
    focusWidget(*w.other);
    EXPECT_EQ(total->text(), "1.234,50");
    EXPECT_DOUBLE_EQ(total->value(), 1234.5);
    focusWidget(*total);
    total->selectAll();
    typeText(*total, "9x9,5");  // letters are refused
    EXPECT_EQ(total->text(), "99,5");
    EXPECT_DOUBLE_EQ(total->value(), 99.5);
}

TEST_F(Controls, BoundComboBoxShowsWordsAndStoresCodesThroughHandlers) {
    auto* kind = w.add(new TDBComboBox("dbcTipo"));
    kind->setItems({"Cliente", "Prospect"});
    kind->setDataSource(&p.source);
    kind->setDataField("IDCLIENPROSP");
    showAndActivate(w.widget);
    EXPECT_EQ(kind->text(), "Cliente");
    p.table.next();
    EXPECT_EQ(kind->text(), "Prospect");

    EXPECT_TRUE(kind->choose(0));
    EXPECT_EQ(p.table.state(), DataSetState::Edit);
    p.table.post();
    EXPECT_EQ(p.table["IDCLIENPROSP"].asString(), "C");

    // A change handler that writes another field of the row refreshes every control;
    // the pending choice must survive it and reach the field.
    kind->onChange = [this] { p.table["DSREFEPROPOSFAS"].setValue("Mudou"); };
    kind->setCurrentIndex(1);
    EXPECT_EQ(kind->text(), "Prospect");
    p.table.post();
    EXPECT_EQ(p.table["IDCLIENPROSP"].asString(), "P");
    EXPECT_EQ(p.table["DSREFEPROPOSFAS"].asString(), "Mudou");
    kind->onChange = nullptr;

    p.source.autoEdit = false;
    EXPECT_FALSE(kind->choose(0));
    EXPECT_EQ(p.table["IDCLIENPROSP"].asString(), "P");
}

TEST_F(Controls, RichEditStoresHtmlReadsPlainTextAndFollowsTheToolbar) {
    auto* toolbar = w.add(new TFormatPanel("fpnObs"));
    auto* obs = bound<TDBRichEdit>("dbrObs", "TXOBSPROPFAS");

    p.table.next();
    EXPECT_EQ(obs->toPlainText(), "texto simples");
    toolbar->toggleBold();  // no editor attached yet: nothing happens
    EXPECT_EQ(p.table.state(), DataSetState::Browse);

    toolbar->setEditor(obs);
    focusWidget(*obs);
    obs->selectAll();
    toolbar->toggleBold();
    EXPECT_EQ(p.table.state(), DataSetState::Edit);
    p.table.post();
    const QString stored = p.table["TXOBSPROPFAS"].asString();
    EXPECT_TRUE(Qt::mightBeRichText(stored));
    EXPECT_TRUE(stored.contains("texto simples"));
    EXPECT_TRUE(stored.contains("font-weight:700") || stored.contains("font-weight:600"));

    // Emptied text is stored as nothing, not as an empty HTML page.
    p.table.edit();
    obs->clear();
    p.table.post();
    EXPECT_TRUE(p.table["TXOBSPROPFAS"].isNull());
}
