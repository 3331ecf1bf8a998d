// The proposal list exported as the grid shows it: a filter applied, a column hidden and
// one moved, codes as words, the status picture as its word, rows compared with the grid.
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTemporaryDir>

#include "data/format_br.h"
#include "data/proposal_number.h"
#include "dialogs/export/list_export.h"
#include "proposal/screen/proposal_list_status.h"
#include "screens/proposal_fixture.h"
#include "ui/db_grid.h"
#include "ui/db_grid_model.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The CSV's records after its byte-order mark; fields are plain here (no quotes in the demo).
QList<QStringList> csvRows(const QString& path) {
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << path.toStdString();
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << line.split(u';');
    return rows;
}

}  // namespace

class ListExport : public ProposalFixture {
protected:
    // Answers the file dialog with `path` (empty: cancelled) and exports, by the menu entry
    // or straight from the grid with `words` for its pictures.
    void exportTo(const QString& path, const PictureWords& words = {}, bool byMenu = false) {
        runner.expect([path](QWidget& w) {
            auto& files = static_cast<QFileDialog&>(w);
            if (path.isEmpty()) return files.reject();
            files.selectNameFilter(path.endsWith(".csv") ? "CSV (*.csv)" : "Planilha Excel (*.xlsx)");
            files.selectFile(path);
            static_cast<QDialog&>(files).accept();
        }, "dlgExportarLista");
        if (byMenu) ASSERT_TRUE(menu(screen->menus().mnuExportar));
        else exportProposalList(*screen, *screen->dbgPadrao, words);
    }

    // The status word of the row being read, as the screen's legend names it.
    PictureWords statusWords() {
        return [this](const QString& field) -> std::optional<QString> {
            if (field != QLatin1String("IDSITUACAO")) return std::nullopt;
            ClientTable& t = screen->proposal();
            return QString::number(int(proposalListStatus(t["DTACEPROPFAS"].asDateTime(), t["DTVALPROPFAS"].asDateTime(),
                                                           QDate::currentDate(), t["IDSITUACAO"].asString())));
        };
    }

    QTemporaryDir dir;
};

TEST_F(ListExport, TheFileHoldsTheRowsAndColumnsTheGridShows) {
    openScreen();
    TDBGrid& grid = *screen->dbgPadrao;
    ClientTable& list = screen->proposal();
    const int all = list.recordCount();
    list.setFilter(QStringLiteral("IDTIPOPROPFAS = 'M'"));
    list.setFiltered(true);
    ASSERT_TRUE(list.recordCount() > 1 && list.recordCount() < all) << "the filter leaves some proposals out";
    grid.columnOf("NMCONTATO")->visible = false;
    grid.columnsChanged();
    // The reference moved before the proposal number, as a dragged header would.
    const int reference = IndiceCol(&grid, "DSREFEPROPOSFAS");
    grid.horizontalHeader()->moveSection(grid.horizontalHeader()->visualIndex(reference), 1);

    const QString path = dir.filePath("lista.csv");
    exportTo(path, statusWords());
    EXPECT_EQ(dialogs.allTexts(), QStringList{"Lista exportada para " + path + "."});

    // The grid's visible columns in their on-screen order.
    QList<int> shown;
    for (int v = 0; v < grid.columnCount(); ++v)
        if (const int logical = grid.horizontalHeader()->logicalIndex(v); !grid.isColumnHidden(logical)) shown << logical;
    ASSERT_EQ(shown.value(1), reference);
    const QList<QStringList> rows = csvRows(path);
    ASSERT_EQ(rows.size(), list.recordCount() + 1);
    QStringList titles;
    for (int c : shown) titles << grid.model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(rows[0], titles);
    EXPECT_FALSE(rows[0].contains("Contato")) << "the hidden column stays out";

    const auto* model = grid.gridModel();
    for (int r = 0; r < list.recordCount(); ++r) {
        ASSERT_EQ(rows[r + 1].size(), shown.size());
        for (int i = 0; i < shown.size(); ++i) {
            const TColumn* c = grid.column(shown[i]);
            const QString cell = rows[r + 1][i], onScreen = model->cellText(r, shown[i]);
            const FieldType type = c->field ? c->field->dataType() : FieldType::String;
            ClientTable::RowView view(list, r);
            // The status of the same row; dates and numbers as the grid shows them.
            if (c->fieldName == "IDSITUACAO") EXPECT_EQ(cell, *statusWords()("IDSITUACAO"));
            else if (type == FieldType::DateTime) EXPECT_EQ(cell, formatDate(parseDateTimeBr(onScreen))) << onScreen.toStdString();
            else if (type == FieldType::Float) EXPECT_DOUBLE_EQ(parseFloatBr(cell), parseFloatBr(onScreen));
            else EXPECT_EQ(cell, onScreen) << c->fieldName.toStdString();
        }
        // The contract type as its word, never the code.
        EXPECT_EQ(rows[r + 1][shown.indexOf(IndiceCol(&grid, "IDTIPOPROPFAS"))], "LU/Manutenção");
    }
}

TEST_F(ListExport, AWorkbookACancelledDialogAndTheMenusTitlesShortNumbersContactNamesAndStatusWords) {
    openScreen();
    exportTo(QString());
    EXPECT_TRUE(dialogs.allTexts().isEmpty()) << "cancelled: nothing written, nothing said";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A name typed without extension takes the type chosen.
    const QString path = dir.filePath("propostas");
    exportTo(path);
    EXPECT_EQ(dialogs.informations(), QStringList{"Lista exportada para " + path + ".xlsx."});
    QFile f(path + ".xlsx");
    EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.read(2) == "PK") << "a zip container, as every workbook";

    // Through the menu: the list's titles (the status column named), the number as people
    // read it, the contact by name and the status in the words the pipeline uses.
    ClientTable& list = screen->proposal();
    exportTo(dir.filePath("menu.csv"), {}, true);
    const QList<QStringList> rows = csvRows(dir.filePath("menu.csv"));
    ASSERT_EQ(rows.size(), list.recordCount() + 1);
    const int number = rows[0].indexOf("Proposta"), contact = rows[0].indexOf("Contato");
    ASSERT_TRUE(rows[0].value(0) == "Situação" && number >= 0 && contact >= 0) << rows[0].join(u';').toStdString();
    for (int r = 0; r < list.recordCount(); ++r) {
        ClientTable::RowView view(list, r);
        EXPECT_EQ(rows[r + 1][number], shortProposalNumber(list["NRPROPOSFAS"].asString(), list["NRVERPROPFAS"].asString()));
        EXPECT_EQ(rows[r + 1][contact], list["NMCONTATO"].asString());
        if (list["DTACEPROPFAS"].asDateTime().isValid()) { EXPECT_EQ(rows[r + 1][0], "Aceita"); }
    }
    ASSERT_TRUE(select(1));
    EXPECT_EQ(list["NMCONTATO"].asString(), "Ana Paula - Compras Alfa") << "the contact's name, not its code";
}
