// Sorting a grid by a column title: the order of the rows (stable, by type, empty values
// last), the three-click cycle, and the table's cursor and change log left alone.
#include <QHeaderView>
#include <gtest/gtest.h>

#include "data/client_table.h"
#include "support/screen_widgets.h"
#include "data/data_source.h"
#include "ui/db_grid.h"
#include "ui/db_grid_model.h"
#include "ui/db_grid_sort.h"

using namespace cot;

namespace {

Packet rows() {
    Packet p;
    p.fields = {{"ID", FieldType::String, 4}, {"NOME", FieldType::String, 30}, {"VALOR", FieldType::Float, 0},
                {"DATA", FieldType::DateTime, 0}};
    const auto day = [](int d) { return QVariant(QDateTime(QDate(2026, 3, d), QTime(0, 0))); };
    p.rows = {{"1", "ação", 1500.0, day(10)},  {"2", "Abacaxi", 9.5, QVariant()}, {"3", "", 100.0, day(2)},
              {"4", "Ação", QVariant(), day(10)}, {"5", "banana", 100.0, day(1)}, {"6", "acao", 20.0, day(30)},
              {"7", QVariant(), 100.0, day(10)}};
    return p;
}

QStringList ids(const ClientTable& t, const QList<int>& order) {
    QStringList out;
    for (int r : order) {
        ClientTable::RowView view(t, r);
        out << t["ID"].asString();
    }
    return out;
}

QStringList shown(const TDBGrid& grid) {
    QStringList out;
    for (int r = 0; r < grid.gridModel()->rowCount(); ++r) out << grid.gridModel()->cellText(r, 0);
    return out;
}

// A sortable grid over the rows above, showing ID and one other column.
struct SortableGrid {
    explicit SortableGrid(const char* second) {
        t.setData(rows());
        source.setDataSet(&t);
        grid.setDataSource(&source);
        grid.addColumn("ID");
        grid.addColumn(second);
        grid.setSortable(true);
    }
    struct App {
        App() { cot::testing::ensureApplication(); }
    } app;  // before any widget
    ClientTable t;
    DataSource source;
    TDBGrid grid;
};

}  // namespace

TEST(GridSort, NumbersAndDatesByValueStableEmptyLastBothWays) {
    ClientTable t;
    t.setData(rows());
    EXPECT_EQ(ids(t, sortedRows(t, t["VALOR"], Qt::AscendingOrder)), QStringList({"2", "6", "3", "5", "7", "1", "4"}))
        << "9.5 before 20 before 100 (three of them in the table's order), the empty one last";
    EXPECT_EQ(ids(t, sortedRows(t, t["VALOR"], Qt::DescendingOrder)), QStringList({"1", "3", "5", "7", "6", "2", "4"}))
        << "descending keeps equal keys in the table's order and the empty one last";
    EXPECT_EQ(ids(t, sortedRows(t, t["DATA"], Qt::AscendingOrder)), QStringList({"5", "3", "1", "4", "7", "6", "2"}));
}

TEST(GridSort, TextsInPortugueseCollationIgnoringCaseFirst) {
    ClientTable t;
    t.setData(rows());
    const QStringList order = ids(t, sortedRows(t, t["NOME"], Qt::AscendingOrder));
    ASSERT_EQ(order.size(), 7);
    EXPECT_EQ(order.first(), "2") << "Abacaxi";
    EXPECT_EQ(QSet<QString>(order.begin() + 1, order.begin() + 4), QSet<QString>({"1", "4", "6"}))
        << "ação, Ação and acao together after Abacaxi, not after banana as a byte order would put them";
    EXPECT_EQ(order[4], "5") << "banana";
    EXPECT_EQ(order.mid(5), QStringList({"3", "7"})) << "empty and null texts last, in the table's order";
}

TEST(GridSort, TitleClicksCycleAndKeepTheCurrentRowAndTheTable) {
    SortableGrid g("VALOR");
    ClientTable& t = g.t;
    TDBGrid& grid = g.grid;
    ASSERT_TRUE(t.locate("ID", "5"));
    const Packet before = t.data();

    grid.titleSortClick(1);
    EXPECT_EQ(shown(grid), QStringList({"2", "6", "3", "5", "7", "1", "4"}));
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 1);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(t["ID"].asString(), "5") << "the table's cursor stays";
    EXPECT_EQ(grid.row(), 3) << "the grid shows the same row as current where it now is";

    grid.titleSortClick(1);
    EXPECT_EQ(shown(grid), QStringList({"1", "3", "5", "7", "6", "2", "4"}));
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(grid.row(), 2);

    grid.titleSortClick(1);
    EXPECT_EQ(shown(grid), QStringList({"1", "2", "3", "4", "5", "6", "7"})) << "third click: the table's order";
    EXPECT_FALSE(grid.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(grid.row(), 4);

    // Moving in the sorted grid moves the table to the row shown there.
    grid.titleSortClick(1);
    grid.setCurrentIndex(grid.gridModel()->index(0, 0));
    EXPECT_EQ(t["ID"].asString(), "2");
    EXPECT_EQ(t.recNo(), 2);
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_EQ(t.data().rows, before.rows) << "the table's rows are never reordered";
}

TEST(GridSort, AReloadSortsAgainAndAnEmptyTableIsFine) {
    SortableGrid g("NOME");
    ClientTable& t = g.t;
    TDBGrid& grid = g.grid;
    grid.horizontalHeader()->moveSection(1, 0);
    grid.setColumnWidth(1, 77);
    grid.sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(grid.horizontalHeader()->visualIndex(1), 0) << "a column moved by the user stays where it was put";
    EXPECT_EQ(grid.columnWidth(1), 77);
    Packet fewer = rows();
    fewer.rows.remove(0, 4);
    t.setData(fewer);
    EXPECT_EQ(shown(grid), QStringList({"7", "6", "5"}));
    fewer.rows.clear();
    t.setData(fewer);
    EXPECT_EQ(grid.gridModel()->rowCount(), 0);
}
