// The data-aware grid: rows follow the table, columns, in-place editing through the
// fields' handlers, column enter/exit, keys, row commands and the helper routines.

#include <QPainter>
#include <QToolButton>

#include "base/errors.h"
#include "data/data_source.h"
#include "support/screen_widgets.h"
#include "support/scripted_dialogs.h"
#include "ui/db_grid.h"
#include "ui/db_grid_model.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

struct Installments {
    // The application must exist before the first widget member.
    struct App { App() { ensureApplication(); } } app;
    ClientTable table{"cdsVenc_Valor"};
    DataSource source{"dtsVenc_Valor"};
    QWidget window;
    TDBGrid* grid;
    TEdit* other;  // where the focus goes when it leaves the grid
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope{dialogs};

    explicit Installments(int rows = 3) {
        Packet p;
        p.fields = {{"NRPARCELA", FieldType::String, 2}, {"DTVELUSOPEDP", FieldType::DateTime, 0},
                    {"VRVELUSOPEDP", FieldType::Float, 0}, {"CDLINPPROP", FieldType::String, 10}};
        for (int i = 1; i <= rows; ++i)
            p.rows << QVariantList{QString::number(i), QDateTime(QDate(2026, i, 10), QTime()), 100.0 * i, "L1"};
        table.setData(p);
        table["CDLINPPROP"].visible = false;
        table["VRVELUSOPEDP"].displayFormat = "#,##0.00";
        table["VRVELUSOPEDP"].displayLabel = "Valor";
        source.setDataSet(&table);
        auto* layout = new QVBoxLayout(&window);
        grid = new TDBGrid("dbgVencimento", &window);
        other = new TEdit("edtOutro", &window);
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setDataSource(&source);
        showAndActivate(window);
    }
    QString cell(int row, int col) const { return grid->gridModel()->cellText(row, col); }
    int rows() const { return grid->gridModel()->rowCount(); }
    DataSetState state() const { return table.state(); }
};

}  // namespace

// Many rows are read from the table, not copied.
TEST(Grid, ColumnsFollowFieldsOrDeclarationsAndManyRowsAreNotCopied) {
    Installments t(20000);
    t.table.last();
    EXPECT_EQ(QList<int>({t.rows(), t.cell(19999, 0).toInt(), t.grid->row()}), QList<int>({20000, 20000, 19999}));
    ASSERT_EQ(t.grid->columnCount(), 3);  // the hidden field is not shown
    EXPECT_EQ(QStringList({t.grid->column(2)->caption(), t.grid->gridModel()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                           t.cell(1, 2), t.cell(0, 1)}), QStringList({"Valor", "Valor", "200,00", "10/01/2026"}));

    t.grid->addColumn("VRVELUSOPEDP", "Valor da parcela", 90);
    t.grid->addColumn("DTVELUSOPEDP");
    ASSERT_EQ(t.grid->columnCount(), 2);
    EXPECT_EQ(t.grid->column(0)->caption(), "Valor da parcela");
    EXPECT_EQ(QList<int>({t.grid->columnWidth(0), IndiceCol(t.grid, "dtvelusopedp"), IndiceCol(t.grid, "NRPARCELA")}),
              QList<int>({90, 1, -1}));
}

TEST(Grid, RowsFollowTheTableAndTheCursorBothWays) {
    Installments t;
    t.table.last();
    EXPECT_EQ(t.grid->row(), 2);
    t.grid->setCurrentIndex(t.grid->gridModel()->index(0, 0));
    EXPECT_EQ(t.table.recNo(), 1);

    QList<int> counts{t.rows()};
    t.table.append();
    t.table["NRPARCELA"].setAsString("4");
    t.table.post();
    counts << t.rows();
    t.table.deleteRecord();
    counts << t.rows();
    t.table.setFilter("NRPARCELA = '2'");
    t.table.setFiltered(true);
    counts << t.rows();
    EXPECT_EQ(t.cell(0, 0), "2");
    t.table.setFiltered(false);
    counts << t.rows();
    EXPECT_EQ(counts, QList<int>({3, 4, 3, 1, 3}));

    // Reading rows for display never moves the cursor nor runs scroll events; custom drawing
    // reads the row drawn.
    int scrolls = 0;
    t.table.afterScroll = [&](ClientTable&) { ++scrolls; };
    t.table.first();
    scrolls = 0;
    for (int r = 0; r < 3; ++r) t.cell(r, 2);
    QStringList drawn;
    t.grid->onDrawColumnCell = [&](QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates) {
        if (column.fieldName == "NRPARCELA") drawn << t.table["NRPARCELA"].asString();
        QPixmap picture(8, 8);
        picture.fill(QColor(128, 128, 0));
        InsereImagem(t.grid, painter, rect, picture);
    };
    t.grid->viewport()->repaint();
    drawn.sort();
    EXPECT_EQ(drawn, QStringList({"1", "2", "3"}));
    EXPECT_EQ(std::pair(scrolls, t.table.recNo()), std::pair(0, 1));
}

TEST(Grid, InPlaceEditingWritesThroughSetTextBeforeColumnExitAndAFailingExitKeepsTheColumn) {
    Installments t;
    QStringList seen;
    t.table["VRVELUSOPEDP"].onSetText = [&](Field& f, const QString& text) { seen << text; f.setAsFloat(text.toDouble() * 2); };
    double valueAtColExit = -1;
    QStringList columns;
    t.grid->onColExit = [&] {
        columns << "exit:" + t.grid->selectedField()->fieldName();
        valueAtColExit = t.table["VRVELUSOPEDP"].asFloat();
    };
    t.grid->onColEnter = [&] { columns << "enter:" + t.grid->selectedField()->fieldName(); };
    focusWidget(*t.grid);
    ASSERT_TRUE(t.grid->setSelectedField("VRVELUSOPEDP"));
    columns.clear();
    typeText(*t.grid, "2");
    ASSERT_TRUE(t.grid->editorMode());
    typeText(*t.grid->inplaceEditor(), "1");
    ASSERT_TRUE(t.grid->editorMode());
    EXPECT_EQ(t.state(), DataSetState::Edit);
    EXPECT_EQ(GridText(t.grid, "VRVELUSOPEDP", true) + "|" + GridText(t.grid, "NRPARCELA", false) + "|" +
              t.table["VRVELUSOPEDP"].asString(), "21|1|100");

    ASSERT_TRUE(t.grid->setSelectedIndex(0));
    EXPECT_EQ(seen + columns, QStringList({"21", "exit:VRVELUSOPEDP", "enter:NRPARCELA"}));
    EXPECT_EQ(valueAtColExit, 42);
    EXPECT_FALSE(t.grid->editorMode());

    // A failing column exit keeps the column.
    t.grid->setSelectedIndex(1);
    t.grid->onColExit = [&] { throw UserError("Data vencimento deve ser informada."); };
    EXPECT_FALSE(t.grid->setSelectedIndex(2));
    pressKey(*t.grid, Qt::Key_Right);
    EXPECT_EQ(QList<int>({t.grid->selectedIndex(), t.grid->currentIndex().column()}), QList<int>({1, 1}));
    EXPECT_EQ(t.dialogs.errors(), QStringList(2, "Data vencimento deve ser informada."));
}

TEST(Grid, KeyHandlersRowCommandsAndLeavingTheGridOrPostingWriteTheEditor) {
    Installments t;
    focusWidget(*t.grid);
    t.grid->setSelectedIndex(0);
    QString pressed;
    t.grid->onKeyPress = [&](QChar& key) {
        pressed += key;
        if (key == 'x') key = QChar();       // swallowed
        if (key == 'a') key = QChar('9');    // replaced
    };
    typeText(*t.grid, "x");
    EXPECT_FALSE(t.grid->editorMode() || t.state() != DataSetState::Browse);
    typeText(*t.grid, "a");
    ASSERT_TRUE(t.grid->editorMode());
    typeText(*t.grid->inplaceEditor(), "xa");
    EXPECT_EQ(pressed, "xaxa");
    EXPECT_EQ(t.grid->inplaceEditor()->text(), "99");

    int downs = 0;
    t.grid->onKeyDown = [&](int& key, Qt::KeyboardModifiers mods) {
        ++downs;
        if (key == Qt::Key_Delete && (mods & Qt::ControlModifier)) key = 0;
    };
    pressKey(*t.grid, Qt::Key_Escape);
    pressKey(*t.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(t.rows() == 3 && t.dialogs.questions().isEmpty() && downs >= 2) << downs;
    t.grid->onKeyDown = nullptr;
    t.grid->onKeyPress = nullptr;
    t.table.cancel();

    // Row commands: append, insert, delete and cancel.
    t.table.last();
    pressKey(*t.grid, Qt::Key_Down);
    EXPECT_EQ(t.state(), DataSetState::Insert);
    pressKey(*t.grid, Qt::Key_Down);  // one blank row is enough
    EXPECT_EQ(t.rows(), 4);
    pressKey(*t.grid, Qt::Key_Escape);
    EXPECT_EQ(std::pair(t.state(), t.rows()), std::pair(DataSetState::Browse, 3));

    QList<int> counts;  // after No, Yes and without the question
    for (const bool yes : {false, true}) {
        t.dialogs.expectConfirm(yes);
        pressKey(*t.grid, Qt::Key_Delete, Qt::ControlModifier);
        counts << t.table.recordCount();
    }
    t.grid->removeOption(dgConfirmDelete);
    pressKey(*t.grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(counts << t.table.recordCount(), QList<int>({3, 2, 1}));
    EXPECT_EQ(t.dialogs.questions(), QStringList({"Excluir registro?", "Excluir registro?"}));

    t.grid->removeOption(dgEditing);
    pressKey(*t.grid, Qt::Key_Insert);
    typeText(*t.grid, "5");
    EXPECT_FALSE(t.grid->editorMode() || t.state() != DataSetState::Browse);
    t.grid->addOption(dgEditing);
    pressKey(*t.grid, Qt::Key_Insert);
    EXPECT_EQ(t.state(), DataSetState::Insert);
    pressKey(*t.grid, Qt::Key_Escape);

    // Leaving the grid or posting writes the editor; leaving drops a blank new row; the edit
    // button runs after the editor's text is written.
    focusWidget(*t.grid);
    t.grid->setSelectedIndex(0);
    typeText(*t.grid, "7");
    focusWidget(*t.other);
    EXPECT_EQ(std::pair(t.state(), t.table["NRPARCELA"].asString()), std::pair(DataSetState::Edit, QString("7")));
    t.table.post();

    focusWidget(*t.grid);
    t.table.last();
    pressKey(*t.grid, Qt::Key_Down);
    ASSERT_EQ(t.state(), DataSetState::Insert);
    focusWidget(*t.other);
    EXPECT_EQ(std::pair(t.state(), t.table.recordCount()), std::pair(DataSetState::Browse, 1));

    // The edit button writes the editor's text before it runs; a post takes the editor's text.
    focusWidget(*t.grid);
    t.table.first();
    t.grid->column(0)->buttonStyle = ColumnButtonStyle::Ellipsis;
    int clicks = 0;
    t.grid->onEditButtonClick = [&] { ++clicks; };
    t.grid->setSelectedIndex(0);
    typeText(*t.grid, "8");
    ASSERT_TRUE(t.grid->editorMode());
    auto* button = t.grid->inplaceEditor()->findChild<QToolButton*>();
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(t.table["NRPARCELA"].asString(), "8");  // written before the button ran

    pressKey(*t.grid->inplaceEditor(), Qt::Key_Backspace);
    typeText(*t.grid->inplaceEditor(), "9");
    t.table.post();
    EXPECT_EQ(t.table["NRPARCELA"].asString(), "9");
}

