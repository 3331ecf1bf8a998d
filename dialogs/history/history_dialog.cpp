#include "dialogs/history/history_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QScopeGuard>
#include <QScrollBar>

#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/history/history_words.h"
#include "rpc/net_connection.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"

namespace cot {

namespace {

const QString kAll = QStringLiteral("(todas)");
const QString kTable = QStringLiteral("NMTABELA");
// The values kept may be whole texts: the grid shows them on one line, cut at this length.
constexpr int kShownValue = 200;

// The row's key without the proposal's number and version, the same on every row here.
QString keyShown(const QString& key) {
    QStringList parts = key.split(QStringLiteral("; "), Qt::SkipEmptyParts);
    parts.removeIf([](const QString& part) {
        return part.startsWith(QLatin1String("NRPROPOSFAS=")) || part.startsWith(QLatin1String("NRVERPROPFAS="));
    });
    return parts.join(QStringLiteral("; "));
}

// Where the page after this one starts, as the server says on its last row; empty when
// it is the last page (or the server sends the history whole).
QString nextPageOf(const Packet& page) {
    return page.isEmpty() ? QString() : page.value(int(page.rows.size()) - 1, QStringLiteral("DSCURSOR")).toString();
}

QString oneLine(const QString& value) {
    QString text = value.simplified();
    if (text.size() > kShownValue) text = text.left(kShownValue - 1) + QChar(0x2026);
    return text;
}

}  // namespace

TfrmHistoricoProposta::TfrmHistoricoProposta(NetConnection& net, const ProposalKey& key, HistoryFields fields,
                                             QWidget* parent)
    : TfrmPadraoSimples({}, history_words::windowTitle(key.nr, key.ver), parent),
      net_(net),
      key_(key),
      fields_(std::move(fields)) {
    setObjectName(QStringLiteral("frmHistoricoProposta"));
    createTable();
    createControls();
    resize(1120, 480);
}

void TfrmHistoricoProposta::createTable() {
    cdsHistorico = new ClientTable(QStringLiteral("cdsHistorico"), this);
    const auto field = [this](const char* name, FieldType type, int size = 0) -> Field& {
        return cdsHistorico->addField(QString::fromLatin1(name), type, size);
    };
    field("DTHIST", FieldType::DateTime).displayFormat = QStringLiteral("dd/mm/yyyy hh:nn:ss");
    field("CDOPERADOR", FieldType::String, 12);
    const auto words = [this](Field& f, bool display) { return display ? shown(f) : f.asString(); };
    field("NMMETODO", FieldType::String, 40).onGetText = words;
    field("NMTABELA", FieldType::String, 30).onGetText = [](Field& f, bool) {
        return history_words::tableCaption(f.asString());
    };
    field("DSCHAVE", FieldType::String, 200).onGetText = words;
    field("IDOPERHIST", FieldType::FixedString, 1).onGetText = [](Field& f, bool) {
        return history_words::operationWord(f.asString());
    };
    field("NMCAMPO", FieldType::String, 30).onGetText = words;
    for (const char* name : {"VLANTERIOR", "VLNOVO"}) field(name, FieldType::Memo).onGetText = words;
    for (int i = 0; i < cdsHistorico->fieldCount(); ++i) cdsHistorico->field(i).readOnly = true;
    dtsHistorico = new DataSource(QStringLiteral("dtsHistorico"), this);
    dtsHistorico->setDataSet(cdsHistorico);
}

void TfrmHistoricoProposta::createControls() {
    auto* grid = new QGridLayout(panPrincipal);
    grid->setContentsMargins(0, 0, 0, 0);
    lblTabela = new TLabel(QStringLiteral("lblTabela"), panPrincipal, QStringLiteral("Tabela"));
    cbbTabela = new QComboBox(panPrincipal);
    cbbTabela->setObjectName(QStringLiteral("cbbTabela"));
    cbbTabela->setMinimumWidth(220);
    lblTabela->setBuddy(cbbTabela);
    lblQuantidade = new TLabel(QStringLiteral("lblQuantidade"), panPrincipal);
    lblQuantidade->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnMais = new TButton(QStringLiteral("btnMais"), panPrincipal, QStringLiteral("Mais…"));
    btnMais->setToolTip(QStringLiteral("Lê as alterações seguintes, mais antigas"));
    btnMais->setEnabled(false);

    dbgHistorico = new TDBGrid(QStringLiteral("dbgHistorico"), panPrincipal);
    dbgHistorico->setOptions((kDefaultGridOptions & ~GridOptions(dgEditing | dgConfirmDelete)) | dgRowSelect |
                             dgAlwaysShowSelection);
    dbgHistorico->setReadOnly(true);
    dbgHistorico->setDataSource(dtsHistorico);
    dbgHistorico->addColumn(QStringLiteral("DTHIST"), QStringLiteral("Data/hora"), 145);
    dbgHistorico->addColumn(QStringLiteral("CDOPERADOR"), QStringLiteral("Operador"), 80);
    dbgHistorico->addColumn(QStringLiteral("IDOPERHIST"), QStringLiteral("Operação"), 75);
    dbgHistorico->addColumn(kTable, QStringLiteral("Tabela"), 120);
    dbgHistorico->addColumn(QStringLiteral("DSCHAVE"), QStringLiteral("Registro"), 180);
    dbgHistorico->addColumn(QStringLiteral("NMCAMPO"), QStringLiteral("Campo"), 130);
    dbgHistorico->addColumn(QStringLiteral("VLANTERIOR"), QStringLiteral("Valor anterior"), 150);
    dbgHistorico->addColumn(QStringLiteral("VLNOVO"), QStringLiteral("Valor novo"), 150);
    dbgHistorico->addColumn(QStringLiteral("NMMETODO"), QStringLiteral("Ação"), 170);

    grid->addWidget(lblTabela, 0, 0);
    grid->addWidget(cbbTabela, 0, 1);
    grid->addWidget(lblQuantidade, 0, 2);
    grid->addWidget(btnMais, 0, 3);
    grid->addWidget(dbgHistorico, 1, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    connect(cbbTabela, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_) return;
        // A reading that failed (shown) leaves the rows as they were: so goes the combo.
        if (runHandler([this] { cbbTabelaChange(); })) {
            shownIndex_ = index;
            return;
        }
        filling_ = true;
        cbbTabela->setCurrentIndex(shownIndex_);
        filling_ = false;
    });
    connect(btnMais, &QPushButton::clicked, this, [this] { runHandler([this] { btnMaisClick(); }); });
    connect(dbgHistorico->verticalScrollBar(), &QScrollBar::valueChanged, this, &TfrmHistoricoProposta::scrolled);
}

QString TfrmHistoricoProposta::shown(const Field& f) const {
    const ClientTable& rows = *f.dataSet();
    const auto cell = [&rows](const char* name) {
        const Field* other = rows.findField(QString::fromLatin1(name));
        return other ? other->asString() : QString();
    };
    const QString name = f.fieldName(), stored = f.asString();
    // A method's run keeps, as its value before, what it came from (a copy's source).
    const bool run = cell("IDOPERHIST").trimmed().toUpper() == u"M";
    if (name == u"NMMETODO") return history_words::methodWord(stored, run ? cell("VLANTERIOR") : QString(), key_.nr);
    if (name == u"DSCHAVE") {
        const QString described = cell("DSREGISTRO");
        return described.isEmpty() ? keyShown(stored) : described;
    }
    if (name == u"NMCAMPO") return stored.isEmpty() ? stored : fields_.label(cell("NMTABELA"), stored);
    if (run) return oneLine(name == u"VLANTERIOR" ? history_words::originText(stored) : stored);
    return oneLine(fields_.value(cell("NMTABELA"), cell("NMCAMPO"), stored));
}

void TfrmHistoricoProposta::FormCreate() {
    const Packet page = readPage({}, {});
    filling_ = true;
    cbbTabela->clear();
    cbbTabela->addItem(kAll, QStringList());
    cbbTabela->setCurrentIndex(0);
    shownIndex_ = 0;
    filling_ = false;
    rows_ = page;
    nextPage_ = nextPageOf(page);
    addTables(page);
    display(rows_, 1);
}

void TfrmHistoricoProposta::addTables(const Packet& page) {
    // Each caption once, in alphabetical order after "(todas)", with the stored tables it
    // stands for in the order met. A filtered reading brings only the tables chosen.
    if (!chosenTables().isEmpty()) return;
    const int at = page.indexOf(kTable);
    filling_ = true;
    for (const QVariantList& row : page.rows) {
        const QString table = row.value(at).toString().trimmed();
        if (table.isEmpty()) continue;
        const QString caption = history_words::tableCaption(table);
        int entry = 1;
        while (entry < cbbTabela->count() && cbbTabela->itemText(entry) < caption) ++entry;
        if (entry < cbbTabela->count() && cbbTabela->itemText(entry) == caption) {
            QStringList tables = cbbTabela->itemData(entry).toStringList();
            if (!tables.contains(table)) cbbTabela->setItemData(entry, tables << table);
        } else {
            cbbTabela->insertItem(entry, caption, QStringList{table});
        }
    }
    shownIndex_ = cbbTabela->currentIndex();
    filling_ = false;
}

QStringList TfrmHistoricoProposta::chosenTables() const { return cbbTabela->currentData().toStringList(); }

void TfrmHistoricoProposta::cbbTabelaChange() {
    const Packet page = readPage(chosenTables(), {});
    rows_ = page;
    nextPage_ = nextPageOf(page);
    display(rows_, 1);
}

void TfrmHistoricoProposta::btnMaisClick() {
    if (!hasMore() || reading_) return;
    reading_ = true;
    const auto done = qScopeGuard([this] { reading_ = false; });
    const Packet page = readPage(chosenTables(), nextPage_);
    const int current = cdsHistorico->recNo();
    rows_.rows += page.rows;
    nextPage_ = nextPageOf(page);
    addTables(page);
    display(rows_, current);
}

void TfrmHistoricoProposta::scrolled(int value) {
    const QScrollBar* bar = dbgHistorico->verticalScrollBar();
    if (value > 0 && value == bar->maximum() && hasMore() && !reading_) runHandler([this] { btnMaisClick(); });
}

Packet TfrmHistoricoProposta::readPage(const QStringList& tables, const QString& cursor) {
    return net_.getPacket(QStringLiteral("GetHistorico"),
                          {key_.nr, key_.ver, tables.join(u','), kPageRows, cursor.isEmpty() ? QVariant() : QVariant(cursor)});
}

void TfrmHistoricoProposta::display(const Packet& rows, int recNo) {
    const bool wasReading = reading_;
    reading_ = true;  // the grid's scroll bar moves while it is filled
    cdsHistorico->setData(rows);
    if (recNo > 1) cdsHistorico->setRecNo(recNo);
    reading_ = wasReading;
    QString count = history_words::countText(cdsHistorico->recordCount());
    if (hasMore()) count += QStringLiteral(" (há mais)");
    lblQuantidade->setCaption(count);
    btnMais->setEnabled(hasMore());
}

}  // namespace cot
