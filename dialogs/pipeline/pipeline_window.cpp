#include "dialogs/pipeline/pipeline_window.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "base/clock.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/status_words.h"
#include "reach/proposal_reach.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

namespace cot {

namespace {

const QString kGroup = QStringLiteral("NMGRUPO");
const QString kKey = QStringLiteral("CDCHAVE");
const QString kLabel = QStringLiteral("DSCHAVE");
const QString kCount = QStringLiteral("QTPROPOSTAS");
const QString kValue = QStringLiteral("VRTOTAL");
const QString kMonthly = QStringLiteral("VRMENSAL");

// The rows of one group of the reply, as the grids hold them.
Packet groupRows(const Packet& figures, const QString& group) {
    Packet out;
    out.fields = {FieldDef{kKey, FieldType::String, 20}, FieldDef{kLabel, FieldType::String, 60},
                  FieldDef{kCount, FieldType::Integer, 0}, FieldDef{kValue, FieldType::Float, 0},
                  FieldDef{kMonthly, FieldType::Float, 0}};
    // The statuses in the words the list and its export use.
    const bool statuses = group == QLatin1String("SITUACAO");
    for (int r = 0; r < figures.rows.size(); ++r)
        if (figures.value(r, kGroup).toString() == group)
            out.rows << QVariantList{figures.value(r, kKey),
                                     statuses ? QVariant(proposalStatusWord(figures.value(r, kKey).toString()))
                                              : figures.value(r, kLabel),
                                     figures.value(r, kCount),
                                     figures.value(r, kValue), figures.value(r, kMonthly)};
    return out;
}

// VRTOTAL of the RESUMO row `key`.
QVariant summary(const Packet& figures, const QString& key) {
    for (int r = 0; r < figures.rows.size(); ++r)
        if (figures.value(r, kGroup).toString() == QLatin1String("RESUMO") && figures.value(r, kKey).toString() == key)
            return figures.value(r, kValue);
    return {};
}

}  // namespace

TfrmPainelPropostas::TfrmPainelPropostas(ProposalReach& reach, QWidget* parent)
    : TfrmPadraoSimples({}, QStringLiteral("Painel de Propostas"), parent), reach_(reach) {
    setObjectName(QStringLiteral("frmPainelPropostas"));
    const auto table = [this](const char* name) {
        auto* t = new ClientTable(QString::fromLatin1(name), this);
        t->addField(kKey, FieldType::String, 20);
        t->addField(kLabel, FieldType::String, 60);
        t->addField(kCount, FieldType::Integer);
        t->addField(kValue, FieldType::Float).displayFormat = QStringLiteral("#,##0.00");
        t->addField(kMonthly, FieldType::Float).displayFormat = QStringLiteral("#,##0.00");
        return t;
    };
    cdsSituacao = table("cdsSituacao");
    cdsVendedor = table("cdsVendedor");
    dtsSituacao = new DataSource(QStringLiteral("dtsSituacao"), this);
    dtsSituacao->setDataSet(cdsSituacao);
    dtsVendedor = new DataSource(QStringLiteral("dtsVendedor"), this);
    dtsVendedor->setDataSet(cdsVendedor);
    createControls();
    resize(1100, 680);
}

TDBGrid* TfrmPainelPropostas::createGrid(const char* name, DataSource* source, const QString& keyTitle) {
    auto* grid = new TDBGrid(QString::fromLatin1(name), panPrincipal);
    grid->setReadOnly(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setDataSource(source);
    grid->addColumn(kLabel, keyTitle, 180);
    grid->addColumn(kCount, QStringLiteral("Qtde."), 60);
    grid->addColumn(kValue, QStringLiteral("Valor único"), 110);
    grid->addColumn(kMonthly, QStringLiteral("Mensal"), 100);
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

void TfrmPainelPropostas::createControls() {
    auto* root = new QVBoxLayout(panPrincipal);
    root->setContentsMargins(0, 0, 0, 0);

    auto* choice = new QHBoxLayout;
    const auto caption = [this, choice](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, panPrincipal);
        l->setBuddy(buddy);
        choice->addWidget(l);
        choice->addWidget(buddy);
    };
    edtDe = new TDateEditPlus(QStringLiteral("edtDe"), panPrincipal);
    edtAte = new TDateEditPlus(QStringLiteral("edtAte"), panPrincipal);
    caption(QStringLiteral("De"), edtDe);
    caption(QStringLiteral("Até"), edtAte);
    lblFilial = new TLabel(QStringLiteral("lblFilial"), panPrincipal);
    lblFilial->setCaption(QStringLiteral("Filial %1").arg(Session::instance().branch().trimmed()));
    choice->addWidget(lblFilial);
    cbbVendedor = new TComboBox(QStringLiteral("cbbVendedor"), panPrincipal);
    cbbVendedor->setMinimumWidth(220);
    cbbVendedor->addItem(QStringLiteral("Todos"), QString());
    auto* sellerCaption = new QLabel(QStringLiteral("Vendedor"), panPrincipal);
    sellerCaption->setBuddy(cbbVendedor);
    choice->addWidget(sellerCaption);
    choice->addWidget(cbbVendedor);
    // A salesperson sees only his own proposals: there is no one else to choose.
    const bool wholeBranch = reach_.listsWholeBranch();
    sellerCaption->setVisible(wholeBranch);
    cbbVendedor->setVisible(wholeBranch);
    sbtAtualizar = new TSpeedButton(QStringLiteral("sbtAtualizar"), panPrincipal, QStringLiteral("Atualizar"));
    sbtAtualizar->setToolTip(QStringLiteral("Atualizar"));
    sbtAtualizar->onClick = [this] { sbtAtualizarClick(); };
    choice->addWidget(sbtAtualizar);
    choice->addStretch();
    root->addLayout(choice);

    auto* grids = new QHBoxLayout;
    dbgSituacao = createGrid("dbgSituacao", dtsSituacao, QStringLiteral("Situação"));
    dbgSituacao->onDblClick = [this] {
        if (!cdsSituacao->isEmpty()) drill((*cdsSituacao)[kKey].asString(), {}, shownSeller_);
    };
    dbgVendedor = createGrid("dbgVendedor", dtsVendedor, QStringLiteral("Vendedor"));
    // "Sem vendedor" names nobody the list's salesperson criterion could take: not listed.
    dbgVendedor->onDblClick = [this] {
        const QString seller = cdsVendedor->isEmpty() ? QString() : (*cdsVendedor)[kKey].asString().trimmed();
        if (!seller.isEmpty()) drill({}, {}, seller);
    };
    grids->addWidget(dbgSituacao, 1);
    grids->addWidget(dbgVendedor, 1);
    root->addLayout(grids, 1);

    lblConversao = new TLabel(QStringLiteral("lblConversao"), panPrincipal);
    lblDiasDecisao = new TLabel(QStringLiteral("lblDiasDecisao"), panPrincipal);
    root->addWidget(lblConversao);
    root->addWidget(lblDiasDecisao);

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chvMeses = new QChartView(chart, panPrincipal);
    chvMeses->setObjectName(QStringLiteral("chvMeses"));
    chvMeses->setMinimumHeight(260);
    root->addWidget(chvMeses, 2);
}

void TfrmPainelPropostas::FormCreate() {
    const QDate today = Clock::current().today();
    edtDe->setDate(defaultStart(today));
    edtAte->setDate(today);
    sbtAtualizarClick();
}

QDate TfrmPainelPropostas::defaultStart(const QDate& today) {
    const QDate back = today.addMonths(-11);
    return QDate(back.year(), back.month(), 1);
}

void TfrmPainelPropostas::sbtAtualizarClick() {
    const QDate from = edtDe->date(), to = edtAte->date();
    // A salesperson's own proposals are all the server gives him, whatever is named.
    const QString seller = reach_.listsWholeBranch() ? cbbVendedor->currentData().toString() : QString();
    // The server checks the dates and the period and refuses in its words.
    const Packet figures = reach_.net().getPacket(QStringLiteral("GetPainelPropostas"),
                                                  {Session::instance().branch(), edtDe->text(), edtAte->text(), seller});
    shownFrom_ = from;
    shownTo_ = to;
    shownSeller_ = seller;
    showFigures(figures);
}

void TfrmPainelPropostas::showFigures(const Packet& figures) {
    cdsSituacao->setData(groupRows(figures, QStringLiteral("SITUACAO")));
    cdsVendedor->setData(groupRows(figures, QStringLiteral("VENDEDOR")));
    if (shownSeller_.isEmpty()) fillSalespeople(figures);
    const QString conversion = percentText(summary(figures, QStringLiteral("CONVERSAO")));
    lblConversao->setCaption(conversion.isEmpty() ? QStringLiteral("Conversão: nenhuma proposta decidida")
                                                  : QStringLiteral("Conversão: %1 (aceitas ÷ decididas)").arg(conversion));
    const QString days = daysText(summary(figures, QStringLiteral("DIAS_DECISAO")));
    lblDiasDecisao->setCaption(days.isEmpty() ? QStringLiteral("Tempo médio até a decisão: nenhuma proposta decidida")
                                              : QStringLiteral("Tempo médio até a decisão: %1 dias").arg(days));
    showChart(figures);
}

// The salespeople with proposals in the period, kept with the one chosen.
void TfrmPainelPropostas::fillSalespeople(const Packet& figures) {
    const QString chosen = cbbVendedor->currentData().toString();
    cbbVendedor->clear();
    cbbVendedor->addItem(QStringLiteral("Todos"), QString());
    const Packet sellers = groupRows(figures, QStringLiteral("VENDEDOR"));
    for (int r = 0; r < sellers.rows.size(); ++r) {
        const QString code = sellers.value(r, kKey).toString().trimmed();
        if (!code.isEmpty()) cbbVendedor->addItem(sellers.value(r, kLabel).toString(), code);
    }
    cbbVendedor->setCurrentIndex(std::max(0, cbbVendedor->findData(chosen)));
}

void TfrmPainelPropostas::showChart(const Packet& figures) {
    QChart* chart = chvMeses->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    months.clear();
    QStringList categories;
    const Packet monthRows = groupRows(figures, QStringLiteral("MES"));
    qreal tallest = 0;  // the most deals of a month: the height of the axis
    serValores = new QLineSeries;
    serValores->setName(QStringLiteral("Valor único (R$)"));
    serValores->setPointsVisible(true);
    qreal richest = 0;
    for (int r = 0; r < monthRows.rows.size(); ++r) {
        months << monthRows.value(r, kKey).toString();
        categories << monthRows.value(r, kLabel).toString();
        tallest = std::max(tallest, monthRows.value(r, kCount).toDouble());
        const qreal value = monthRows.value(r, kValue).toDouble();
        serValores->append(r, value);
        richest = std::max(richest, value);
    }
    serMeses = new QStackedBarSeries;
    const Packet statusRows = groupRows(figures, QStringLiteral("SITUACAO"));
    const Packet cells = groupRows(figures, QStringLiteral("MES_SITUACAO"));
    for (int s = 0; s < statusRows.rows.size(); ++s) {
        const QString code = statusRows.value(s, kKey).toString();
        auto* set = new QBarSet(statusRows.value(s, kLabel).toString());
        set->setColor(statusColour(code));
        QList<qreal> counts(months.size(), 0);
        for (int r = 0; r < cells.rows.size(); ++r) {
            const QStringList key = cells.value(r, kKey).toString().split(u'|');
            const int month = key.size() == 2 && key[1] == code ? int(months.indexOf(key[0])) : -1;
            if (month >= 0) counts[month] = cells.value(r, kCount).toDouble();
        }
        set->append(counts);
        connect(set, &QBarSet::clicked, this, [this, code](int index) {
            if (index >= 0 && index < months.size()) drill(code, months[index], shownSeller_);
        });
        serMeses->append(set);
    }
    chart->addSeries(serMeses);
    auto* axisX = new QBarCategoryAxis;
    axisX->append(categories);
    chart->addAxis(axisX, Qt::AlignBottom);
    serMeses->attachAxis(axisX);
    // Whole proposals only: ticks every 1, 2, 5, 10... so each label is a count a bar can reach.
    auto* axisY = new QValueAxis;
    axisY->setLabelFormat(QStringLiteral("%d"));
    qreal step = 1;
    for (const qreal factor : {2.0, 2.5, 2.0}) {
        if (tallest / step <= 10) break;
        step *= factor;
    }
    while (tallest / step > 10) step *= 10;
    axisY->setRange(0, std::max<qreal>(step, std::ceil(tallest / step) * step));
    axisY->setTickType(QValueAxis::TicksDynamic);
    axisY->setTickAnchor(0);
    axisY->setTickInterval(step);
    chart->addAxis(axisY, Qt::AlignLeft);
    serMeses->attachAxis(axisY);
    // The one-off value of each month's deals, in reais on its own axis at the right.
    chart->addSeries(serValores);
    serValores->attachAxis(axisX);
    auto* axisValue = new QValueAxis;
    axisValue->setTitleText(QStringLiteral("R$"));
    axisValue->setLabelFormat(QStringLiteral("%.0f"));
    axisValue->setRange(0, richest > 0 ? richest * 1.1 : 1);
    chart->addAxis(axisValue, Qt::AlignRight);
    serValores->attachAxis(axisValue);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
}

void TfrmPainelPropostas::drill(const QString& status, const QString& month, const QString& seller) {
    const Cli_cot05002::TFILTRO criteria = pipelineCriteria({status, month, shownFrom_, shownTo_, seller});
    closeWith(mrOk);
    showInList(reach_, criteria);
}

const QStringList& TfrmPainelPropostas::statusCodes() {
    static const QStringList codes{QStringLiteral("V"), QStringLiteral("E"), QStringLiteral("X"), QStringLiteral("A"),
                                   QStringLiteral("R"), QStringLiteral("P"), QStringLiteral("S")};
    return codes;
}

// The colours of the list's status pictures.
QColor TfrmPainelPropostas::statusColour(const QString& code) {
    if (code == QLatin1String("V")) return QColor(0x2e, 0x9e, 0x44);  // green: valid
    if (code == QLatin1String("E")) return QColor(0xf2, 0xc0, 0x1e);  // yellow: expiring
    if (code == QLatin1String("X")) return QColor(0xd6, 0x32, 0x2e);  // red: expired
    if (code == QLatin1String("S")) return QColor(0x9e, 0x9e, 0x9e);  // grey: superseded
    if (code == QLatin1String("P")) return QColor(0x20, 0x20, 0x20);  // black: lost
    if (code == QLatin1String("A")) return QColor(0x2f, 0x6f, 0xd0);  // blue: accepted
    if (code == QLatin1String("R")) return QColor(0xf0, 0x8a, 0x24);  // orange: declined
    return QColor(Qt::lightGray);
}

QString TfrmPainelPropostas::percentText(const QVariant& fraction) {
    if (fraction.isNull() || !fraction.isValid()) return {};
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(fraction.toDouble() * 100, 'f', 1) +
           QStringLiteral(" %");
}

QString TfrmPainelPropostas::daysText(const QVariant& days) {
    if (days.isNull() || !days.isValid()) return {};
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(days.toDouble(), 'f', 1);
}

}  // namespace cot
