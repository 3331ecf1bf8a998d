// Opening host modules by name: the list module COT00900 and the errors of a bad call.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTableView>

#include "data/client_table.h"
#include "base/errors.h"
#include "services/load_bpl.h"
#include "support/screen_fixture.h"

using namespace cot;
using namespace cot::testing;

namespace {

class LoadBplTest : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
};

QString errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace

TEST_F(LoadBplTest, ListModuleShowsTheVisibleFieldsOfTheTableUnderTheMessage) {
    ClientTable systems("cdsValidaSistProd");
    Packet p;
    p.fields = {{"SGSISTEMA", FieldType::String, 3}, {"NMSISTEMA", FieldType::String, 40}, {"IDTECNOSIST", FieldType::String, 3}};
    p.rows = {{"FAT", "Faturamento", "WEB"}, {"EST", "Estoque", "WEB"}};
    systems.setData(p);
    systems.fieldByName("IDTECNOSIST").visible = false;
    systems.last();

    QString message;
    QStringList headers, firstRow;
    int rows = -1;
    runner.expect([&](QWidget& w) {
        message = findAs<QLabel>(w, "lblMensagem")->text();
        auto* view = findAs<QTableView>(w, "dbgLista");
        rows = view->model()->rowCount();
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
            firstRow << view->model()->index(0, c).data().toString();
        }
        click(w, "btnOk");
    }, "frmCOT00900");
    const QString text = "Os seguintes sistemas não estão cadastrados para o produto comercial informado:";
    LoadBPL("COT00900", {tableReference(systems), text, true});
    EXPECT_EQ(message, text);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(headers, (QStringList{"SGSISTEMA", "NMSISTEMA"}));
    EXPECT_EQ(firstRow, (QStringList{"FAT", "Faturamento"}));
    EXPECT_EQ(systems.recNo(), 2);  // listing does not move the caller's table
}

TEST_F(LoadBplTest, BadCallsGiveClearErrors) {
    EXPECT_EQ(errorOf([] { LoadBPL("Pkg_inexistente", {}); }), "Módulo Pkg_inexistente não encontrado.");
    EXPECT_EQ(errorOf([] { LoadBPL("../../lib/x", {}); }), "Nome de módulo inválido: ../../lib/x.");
    EXPECT_EQ(errorOf([] { LoadBPL("COT00900", {}); }), "Parâmetros inválidos para o módulo COT00900.");
    // Text that looks like a number is not a table reference.
    EXPECT_EQ(errorOf([] { LoadBPL("COT00900", {QString("12345"), "x", true}); }),
              "Parâmetros inválidos para o módulo COT00900.");
    EXPECT_EQ(tableFromReference(QVariant()), nullptr);
    EXPECT_TRUE(runner.shown().isEmpty());
}
