#include "dialogs/compare/version_compare_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "data/client_table.h"
#include "data/data_source.h"
#include "reach/proposal_reach.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

namespace cot {

namespace {

const QString kNumber = QStringLiteral("NRPROPOSFAS");
const QString kVersion = QStringLiteral("NRVERPROPFAS");
const QString kChange = QStringLiteral("IDMUDANCA");
const QString kChangeText = QStringLiteral("DSMUDANCA");
const QString kTotal = QStringLiteral("T");

struct GridField {
    const char* name;
    FieldType type;
    int size;
};

// The server's columns the grid keeps, plus the change written out.
const GridField kFields[] = {{"NRORDEM", FieldType::Integer, 0},   {"NMSECAO", FieldType::String, 30},
                             {"DSITEM", FieldType::String, 120},   {"NMCAMPO", FieldType::String, 30},
                             {"DSCAMPO", FieldType::String, 60},   {"IDMUDANCA", FieldType::FixedString, 1},
                             {"DSMUDANCA", FieldType::String, 10}, {"VLVERSAO1", FieldType::String, 400},
                             {"VLVERSAO2", FieldType::String, 400}};

// "Versão 01: licença de uso 1.100,00; mensalidade ...", from the total rows of `column`.
QString totalsLine(const Packet& p, const QString& version, const char* column) {
    QStringList parts;
    for (int r = 0; r < p.rows.size(); ++r)
        if (p.value(r, kChange).toString() == kTotal)
            parts << p.value(r, QStringLiteral("DSCAMPO")).toString().toLower() + u' ' +
                         p.value(r, QString::fromLatin1(column)).toString();
    return QStringLiteral("Versão %1: %2").arg(version, parts.join(QStringLiteral("; ")));
}

}  // namespace

TfrmComparaVersoes::TfrmComparaVersoes(ProposalReach& reach, QWidget* parent)
    : TfrmPadraoSimples({}, QStringLiteral("Comparar Versões"), parent), reach_(reach), key_(reach.key()) {
    setObjectName(QStringLiteral("frmComparaVersoes"));
    cdsDiferencas = new ClientTable(QStringLiteral("cdsDiferencas"), this);
    for (const GridField& f : kFields) cdsDiferencas->addField(QString::fromLatin1(f.name), f.type, f.size);
    dtsDiferencas = new DataSource(QStringLiteral("dtsDiferencas"), this);
    dtsDiferencas->setDataSet(cdsDiferencas);
    createControls();
    fillVersions();
    resize(1040, 540);
}

void TfrmComparaVersoes::createControls() {
    auto* root = new QVBoxLayout(panPrincipal);
    root->setContentsMargins(0, 0, 0, 0);

    auto* choice = new QHBoxLayout;
    const auto box = [this, choice](const char* name, const QString& caption) {
        auto* b = new TComboBox(QString::fromLatin1(name), panPrincipal);
        auto* l = new QLabel(caption, panPrincipal);
        l->setBuddy(b);
        b->setMinimumWidth(260);
        choice->addWidget(l);
        choice->addWidget(b);
        return b;
    };
    cbbVersao1 = box("cbbVersao1", QStringLiteral("Versão"));
    cbbVersao2 = box("cbbVersao2", QStringLiteral("com a versão"));
    sbtComparar = new TSpeedButton(QStringLiteral("sbtComparar"), panPrincipal, QStringLiteral("Comparar"));
    sbtComparar->setToolTip(QStringLiteral("Comparar"));
    sbtComparar->onClick = [this] { sbtCompararClick(); };
    choice->addWidget(sbtComparar);
    choice->addStretch();
    root->addLayout(choice);

    dbgDiferencas = new TDBGrid(QStringLiteral("dbgDiferencas"), panPrincipal);
    dbgDiferencas->setReadOnly(true);
    dbgDiferencas->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgDiferencas->setDataSource(dtsDiferencas);
    dbgDiferencas->addColumn(QStringLiteral("NMSECAO"), QStringLiteral("Seção"), 115);
    dbgDiferencas->addColumn(QStringLiteral("DSITEM"), QStringLiteral("Item"), 180);
    dbgDiferencas->addColumn(QStringLiteral("DSCAMPO"), QStringLiteral("Campo"), 130);
    dbgDiferencas->addColumn(kChangeText, QStringLiteral("Mudança"), 70);
    dbgDiferencas->addColumn(QStringLiteral("VLVERSAO1"), QStringLiteral("Versão"), 250);
    dbgDiferencas->addColumn(QStringLiteral("VLVERSAO2"), QStringLiteral("Versão"), 170);
    dbgDiferencas->horizontalHeader()->setStretchLastSection(true);
    // Each row in the colour of its change; a selected row keeps the selection's colours.
    dbgDiferencas->defaultDrawing = false;
    dbgDiferencas->onDrawColumnCell = [this](QPainter& painter, const QRect& rect, TColumn& column,
                                             GridDrawStates state) {
        const QColor colour = changeColour((*cdsDiferencas)[kChange].asString());
        if (!(state & gdSelected) && colour.isValid()) painter.setBrush(colour);
        dbgDiferencas->defaultDrawColumnCell(painter, rect, column, state);
    };
    root->addWidget(dbgDiferencas, 1);

    lblTotal1 = new TLabel(QStringLiteral("lblTotal1"), panPrincipal);
    lblTotal2 = new TLabel(QStringLiteral("lblTotal2"), panPrincipal);
    root->addWidget(lblTotal1);
    root->addWidget(lblTotal2);
}

QStringList TfrmComparaVersoes::versionsOf(const ClientTable& list, const QString& number) {
    QStringList out;
    if (!list.active()) return out;
    const Packet rows = list.data();
    for (int r = 0; r < rows.rows.size(); ++r)
        if (rows.value(r, kNumber).toString().trimmed() == number.trimmed()) {
            const QString version = rows.value(r, kVersion).toString().trimmed();
            if (!version.isEmpty() && !out.contains(version)) out << version;
        }
    std::sort(out.begin(), out.end());
    return out;
}

void TfrmComparaVersoes::fillVersions() {
    const ClientTable& list = reach_.proposal();
    const QStringList versions = versionsOf(list, key_.nr);
    const Packet rows = list.active() ? list.data() : Packet();
    for (const QString& version : versions) {
        QString reference;
        for (int r = 0; r < rows.rows.size() && reference.isEmpty(); ++r)
            if (rows.value(r, kNumber).toString().trimmed() == key_.nr.trimmed() &&
                rows.value(r, kVersion).toString().trimmed() == version)
                reference = rows.value(r, QStringLiteral("DSREFEPROPOSFAS")).toString().trimmed();
        const QString caption = reference.isEmpty() ? version : version + QStringLiteral(" - ") + reference;
        cbbVersao1->addItem(caption, version);
        cbbVersao2->addItem(caption, version);
    }
    // The version before the current one on the left, the current one on the right; the
    // first version is compared with the one after it.
    const int current = std::max(0, static_cast<int>(versions.indexOf(key_.ver.trimmed())));
    const int other = current > 0 ? current - 1 : std::min(current + 1, static_cast<int>(versions.size()) - 1);
    cbbVersao1->setCurrentIndex(std::min(current, other));
    cbbVersao2->setCurrentIndex(std::max(current, other));
}

void TfrmComparaVersoes::FormCreate() {
    if (cbbVersao1->count() > 1) sbtCompararClick();
}

QString TfrmComparaVersoes::chosen(const TComboBox& box) {
    return box.currentData().toString();
}

void TfrmComparaVersoes::sbtCompararClick() {
    const QString first = chosen(*cbbVersao1), second = chosen(*cbbVersao2);
    const Packet differences =
        reach_.net().getPacket(QStringLiteral("GetComparacaoVersoes"), {key_.nr.trimmed(), first, second});
    showDifferences(differences, first, second);
}

void TfrmComparaVersoes::showDifferences(const Packet& differences, const QString& first, const QString& second) {
    Packet shown;
    for (const GridField& f : kFields) shown.fields << FieldDef{QString::fromLatin1(f.name), f.type, f.size};
    for (int r = 0; r < differences.rows.size(); ++r) {
        const QString change = differences.value(r, kChange).toString();
        if (change == kTotal) continue;
        QVariantList row;
        for (const GridField& f : kFields) {
            const QString name = QString::fromLatin1(f.name);
            row << (name == kChangeText ? QVariant(changeText(change)) : differences.value(r, name));
        }
        shown.rows << row;
    }
    cdsDiferencas->setData(shown);
    dbgDiferencas->column(4)->title = QStringLiteral("Versão %1").arg(first);
    dbgDiferencas->column(5)->title = QStringLiteral("Versão %1").arg(second);
    dbgDiferencas->columnsChanged();
    lblTotal1->setCaption(totalsLine(differences, first, "VLVERSAO1"));
    lblTotal2->setCaption(totalsLine(differences, second, "VLVERSAO2"));
}

QString TfrmComparaVersoes::changeText(const QString& code) {
    if (code == QLatin1String("I")) return QStringLiteral("Incluído");
    if (code == QLatin1String("E")) return QStringLiteral("Excluído");
    if (code == QLatin1String("A")) return QStringLiteral("Alterado");
    return code;
}

QColor TfrmComparaVersoes::changeColour(const QString& code) {
    if (code == QLatin1String("I")) return QColor(0xd4, 0xef, 0xd4);  // green: added
    if (code == QLatin1String("E")) return QColor(0xf7, 0xd4, 0xd4);  // red: removed
    if (code == QLatin1String("A")) return QColor(0xfb, 0xe6, 0xb8);  // amber: changed
    return {};
}

}  // namespace cot
