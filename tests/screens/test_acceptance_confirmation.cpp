// The final question before an acceptance: the caller's rows and text, the answer returned
// to the caller, and the total of a table opened without an approval dialog.

#include "approval/confirmation/acceptance_confirmation.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "services/load_bpl.h"
#include "support/screen_fixture.h"
#include "ui/db_grid.h"
#include "ui/edits.h"
#include "ui/number_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

class AcceptanceConfirmation : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
    void SetUp() override {
        ScreenFixture::SetUp();
        lines.addField(QStringLiteral("NMLINPPROP"), FieldType::String, 50).displayLabel = QStringLiteral("Linha de Produto");
        Field& v = lines.addField(QStringLiteral("VRLINPROD"), FieldType::Float);
        v.displayLabel = QStringLiteral("Valor");
        v.displayFormat = QStringLiteral("#,##0.00");
        lines.addField(QStringLiteral("CDLINPPROP"), FieldType::String, 20).visible = false;
        lines.createDataSet();
        for (const auto& [name, value] : {std::pair{"Fiscal", 1500.0}, {"Folha", 300.5}}) {
            lines.append();
            lines[QStringLiteral("NMLINPPROP")].setAsString(QString::fromLatin1(name));
            lines[QStringLiteral("VRLINPROD")].setAsFloat(value);
            lines.post();
        }
    }
    // Answers the window with a button (or closes it when empty) and keeps what it showed,
    // as "text|total|rows|columns".
    void answer(const QString& button) {
        runner.expect([this, button](QWidget& w) {
            auto& d = static_cast<TfrmConfAceite&>(w);
            shown = QStringLiteral("%1|%2|%3|%4").arg(d.memInforma->text()).arg(d.nedTotal->value())
                          .arg(d.dbgMensagem->model()->rowCount()).arg(d.dbgMensagem->model()->columnCount());
            button.isEmpty() ? void(w.close()) : void(clickButton(w, button));
        }, "frmConfAceite");
    }

    ClientTable lines{QStringLiteral("cdsLinhaProduto")};
    QString shown;
};

TEST_F(AcceptanceConfirmation, ShowsTheRowsTextAndTotalAndReturnsTheAnswerAlsoThroughTheModulesEntry) {
    answer("btnSim");
    EXPECT_EQ(Cli_cot05006::CriaConfAceite(lines, "Confirma?"), mrYes);
    // Only the visible fields; opened without an approval dialog: the table's own total.
    EXPECT_EQ(shown, "Confirma?|1800.5|2|2");

    answer("btnNao");
    EXPECT_EQ(Cli_cot05006::CriaConfAceite(lines, "Confirma?"), mrNo);
    answer({});
    const int closed = Cli_cot05006::CriaConfAceite(lines, "Confirma?");
    EXPECT_TRUE(closed != mrYes && closed != mrNo) << "closing the window is no answer";
    EXPECT_EQ(lines.recordCount(), 2) << "the table stays the caller's";

    // The module's entry takes a table reference and the text.
    answer("btnSim");
    EXPECT_EQ(Cli_cot05006::IniProc({tableReference(lines), QStringLiteral("Gerar aceite?")}), mrYes);
    EXPECT_EQ(shown, "Gerar aceite?|1800.5|2|2");
    EXPECT_THROW(Cli_cot05006::IniProc({QVariant(0), QStringLiteral("x")}), UserError);
    EXPECT_EQ(runner.shown().size(), 4);

    // The total follows the table's filter; an empty one shows zero.
    for (const auto& [filter, expected] : {std::pair{"VRLINPROD > 1000", "x|1500|1|2"}, {"VRLINPROD > 5000", "x|0|0|2"}}) {
        lines.setFilter(QString::fromLatin1(filter));
        lines.setFiltered(true);
        answer("btnNao");
        Cli_cot05006::CriaConfAceite(lines, "x");
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace
