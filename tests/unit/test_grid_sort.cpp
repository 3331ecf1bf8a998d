// Sorting a grid by a column title: the order of the rows (stable, by type, empty values
// last), the three-click cycle, and the table's cursor and change log left alone.
#include <QHeaderView>

#include "support/screen_widgets.h"
#include "data/data_source.h"
#include "ui/db_grid.h"
#include "ui/db_grid_model.h"
#include "ui/db_grid_sort.h"
#include "unit_cases.h"

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
    for (int r : order) t.withRow(r, [&] { out << t["ID"].asString(); });
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
    struct App { App() { cot::testing::ensureApplication(); } } app;  // before any widget
    ClientTable t;
    DataSource source;
    TDBGrid grid;
};

}  // namespace

// Numbers and dates by value, texts in Portuguese collation ignoring case first (ação, Ação
// and acao together after Abacaxi, not after banana as a byte order would put them); equal
// keys in the table's order and empty values last, both ways.
TEST(GridSort, ByTypeStableWithEmptyValuesLastBothWays) {
    ClientTable t;
    t.setData(rows());
    const std::tuple<const char*, Qt::SortOrder, QStringList> cases[] = {
        {"VALOR", Qt::AscendingOrder, {"2", "6", "3", "5", "7", "1", "4"}},
        {"VALOR", Qt::DescendingOrder, {"1", "3", "5", "7", "6", "2", "4"}},
        {"DATA", Qt::AscendingOrder, {"5", "3", "1", "4", "7", "6", "2"}}};
    for (const auto& [field, order, expected] : cases) EXPECT_EQ(ids(t, sortedRows(t, t[field], order)), expected) << field;
    // The order among ação, Ação and acao is the collator's own.
    QStringList names = ids(t, sortedRows(t, t["NOME"], Qt::AscendingOrder));
    ASSERT_EQ(names.size(), 7);
    std::sort(names.begin() + 1, names.begin() + 4);
    EXPECT_EQ(names, QStringList({"2", "1", "4", "6", "5", "3", "7"}));
}

TEST(GridSort, TitleClicksCycleAndKeepTheCurrentRowAndTheTable) {
    SortableGrid g("VALOR");
    ClientTable& t = g.t;
    TDBGrid& grid = g.grid;
    ASSERT_TRUE(t.locate("ID", "5"));
    const Packet before = t.data();

    // Ascending, descending, then the table's order again; the table's cursor stays and the
    // grid shows the same row as current where it now is.
    const std::tuple<QStringList, int, int> clicks[] = {{{"2", "6", "3", "5", "7", "1", "4"}, Qt::AscendingOrder, 3},
                                                        {{"1", "3", "5", "7", "6", "2", "4"}, Qt::DescendingOrder, 2},
                                                        {{"1", "2", "3", "4", "5", "6", "7"}, -1, 4}};
    for (const auto& [order, indicator, row] : clicks) {
        grid.titleSortClick(1);
        EXPECT_EQ(shown(grid), order);
        const QHeaderView* header = grid.horizontalHeader();
        EXPECT_EQ(header->isSortIndicatorShown() ? QPair(header->sortIndicatorSection(), int(header->sortIndicatorOrder()))
                                                 : QPair(-1, -1),
                  indicator < 0 ? QPair(-1, -1) : QPair(1, indicator));
        EXPECT_EQ(std::pair(t["ID"].asString(), grid.row()), std::pair(QString("5"), row));
    }

    // Moving in the sorted grid moves the table to the row shown there.
    grid.titleSortClick(1);
    grid.setCurrentIndex(grid.gridModel()->index(0, 0));
    EXPECT_EQ(std::tuple(t["ID"].asString(), t.recNo(), t.changeCount()), std::tuple(QString("2"), 2, 0));
    EXPECT_EQ(t.data().rows, before.rows) << "the table's rows are never reordered";
}

TEST(GridSort, AReloadSortsAgainAndAnEmptyTableIsFine) {
    SortableGrid g("NOME");
    ClientTable& t = g.t;
    TDBGrid& grid = g.grid;
    grid.horizontalHeader()->moveSection(1, 0);
    grid.setColumnWidth(1, 77);
    grid.sortByColumn(0, Qt::DescendingOrder);
    // A column moved by the user stays where it was put, as wide as it was made.
    EXPECT_EQ(std::pair(grid.horizontalHeader()->visualIndex(1), grid.columnWidth(1)), std::pair(0, 77));
    Packet fewer = rows();
    fewer.rows.remove(0, 4);
    t.setData(fewer);
    EXPECT_EQ(shown(grid), QStringList({"7", "6", "5"}));
    fewer.rows.clear();
    t.setData(fewer);
    EXPECT_EQ(grid.gridModel()->rowCount(), 0);
}
