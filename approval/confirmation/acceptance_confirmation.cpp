#include "approval/confirmation/acceptance_confirmation.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <memory>

#include "approval/dialog/approval_dialog.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "data/format_br.h"
#include "data/packet.h"
#include "reach/proposal_reach.h"
#include "rpc/net_connection.h"
#include "services/load_bpl.h"
#include "services/messages.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/edits.h"
#include "ui/number_edit.h"

namespace cot {

TfrmConfAceite::TfrmConfAceite(QWidget* parent) : TForm<QDialog>(parent) {
    setObjectName(QStringLiteral("frmConfAceite"));
    setWindowTitle(QStringLiteral("Atenção"));
    resize(696, 307);
    defaultCloseAction = CloseAction::caHide;
    dtsProduto = new DataSource(QStringLiteral("dtsProduto"), this);

    auto* root = new QVBoxLayout(this);
    auto* panTopo = new TPanel(QStringLiteral("panTopo"), this);
    panTopo->setFocusPolicy(Qt::NoFocus);
    auto* top = new QHBoxLayout(panTopo);
    auto* imgInfoCot = new QLabel(panTopo);
    imgInfoCot->setObjectName(QStringLiteral("imgInfoCot"));
    imgInfoCot->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    top->addWidget(imgInfoCot, 0, Qt::AlignTop);
    memInforma = new TMemo(QStringLiteral("memInforma"), panTopo);
    memInforma->setReadOnly(true);
    memInforma->setFrameShape(QFrame::NoFrame);
    memInforma->setFocusPolicy(Qt::NoFocus);
    QFont f = memInforma->font();
    f.setPixelSize(13);
    memInforma->setFont(f);
    memInforma->setText(QStringLiteral("Deseja gerar aceite para a proposta?"));
    memInforma->setFixedHeight(60);
    top->addWidget(memInforma, 1);
    root->addWidget(panTopo);

    dbgMensagem = new TDBGrid(QStringLiteral("dbgMensagem"), this);
    dbgMensagem->setReadOnly(true);
    dbgMensagem->setSelectionBehavior(QAbstractItemView::SelectRows);
    QFont bold = dbgMensagem->horizontalHeader()->font();
    bold.setBold(true);
    dbgMensagem->horizontalHeader()->setFont(bold);
    dbgMensagem->setDataSource(dtsProduto);
    root->addWidget(dbgMensagem, 1);

    auto* panTotal = new TPanel(QStringLiteral("panTotal"), this);
    panTotal->setFocusPolicy(Qt::NoFocus);
    panTotal->setAutoFillBackground(true);
    QPalette pal = panTotal->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1));
    panTotal->setPalette(pal);
    auto* totals = new QHBoxLayout(panTotal);
    lblValores = new QLabel(panTotal);
    lblValores->setObjectName(QStringLiteral("lblValores"));
    lblValores->setVisible(false);
    totals->addWidget(lblValores);
    totals->addStretch(1);
    totals->addWidget(new QLabel(QStringLiteral("Total das linhas:"), panTotal));
    nedTotal = new TNumberEdit(QStringLiteral("nedTotal"), panTotal);
    nedTotal->setDecimals(2);
    nedTotal->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedTotal->setReadOnly(true);
    QFont nf = nedTotal->font();
    nf.setBold(true);
    nedTotal->setFont(nf);
    nedTotal->setFixedWidth(140);
    totals->addWidget(nedTotal);
    root->addWidget(panTotal);

    auto* panBotoes = new QHBoxLayout;
    panBotoes->addStretch(1);
    btnSim = new TButton(QStringLiteral("btnSim"), this, QStringLiteral("&Sim"));
    btnNao = new TButton(QStringLiteral("btnNao"), this, QStringLiteral("&Não"));
    btnSim->onClick = [this] { btnSimClick(); };
    btnNao->onClick = [this] { btnNaoClick(); };
    panBotoes->addWidget(btnSim);
    panBotoes->addWidget(btnNao);
    root->addLayout(panBotoes);
}

void TfrmConfAceite::setTable(ClientTable& table) { dtsProduto->setDataSet(&table); }

void TfrmConfAceite::askedByApproval(long double linesTotal, ProposalReach& screen) {
    approvalTotal_ = linesTotal;
    approvalScreen_ = &screen;
}

void TfrmConfAceite::FormCreate() {
    // The approval dialog's total when it asks; opened on its own, the table's.
    ClientTable* table = dtsProduto->dataSet();
    long double total = 0;
    if (approvalScreen_) total = approvalTotal_;
    else if (table) total = Cli_cot05006::totalOf(*table);
    nedTotal->setValue(static_cast<double>(total));
    // Asked by the approval: the proposal's two figures, as the list and the running total
    // show them.
    ProposalReach* reach = approvalScreen_;
    if (reach && !reach->key().nr.isEmpty()) {
        const ProposalKey key = reach->key();
        showFigures(reach->net().getPacket(QStringLiteral("GetTotaisProposta"), {key.nr, key.ver}));
    }
}

void TfrmConfAceite::showFigures(const Packet& totals) {
    lblValores->setVisible(!totals.isEmpty());
    if (totals.isEmpty()) return;
    lblValores->setText(QStringLiteral("Valor único: R$ %1    Mensal: R$ %2")
                            .arg(formatMoney(totals.value(0, QStringLiteral("VRUNICO")).toDouble()),
                                 formatMoney(totals.value(0, QStringLiteral("VRMENSAL")).toDouble())));
}

void TfrmConfAceite::FormActivate() {
    repaint();
    btnSim->setFocus();
}

void TfrmConfAceite::btnSimClick() { closeWith(mrYes); }
void TfrmConfAceite::btnNaoClick() { closeWith(mrNo); }

namespace Cli_cot05006 {

long double totalOf(const ClientTable& table) {
    if (!table.active()) return 0;
    const Field* value = table.findField(QStringLiteral("VRLINPROD"));
    if (!value) {
        for (int i = 0; i < table.fieldCount() && !value; ++i)
            if (table.field(i).label() == QLatin1String("Valor")) value = &table.field(i);
    }
    if (!value) return 0;
    long double total = 0;
    for (int r = 0; r < table.rowCount(); ++r) {
        ClientTable::RowView view(table, r);
        total += static_cast<long double>(value->asFloat());
    }
    return total;
}

int CriaConfAceite(ClientTable& table, const QString& text, const TfrmAprovacao* approval) {
    std::unique_ptr<TfrmConfAceite> dlg(new TfrmConfAceite());
    dlg->setTable(table);
    if (approval) dlg->askedByApproval(approval->exTotalLinhas, approval->screen());
    dlg->memInforma->setText(text);
    dlg->FormCreate();
    // The answer is read before the window goes, so no caller looks at a freed window.
    return dlg->ShowModal();
}

int IniProc(const QVariantList& params) {
    ClientTable* table = tableFromReference(params.value(0));
    if (!table) {
        TMessages messages;
        messages.loadFromFile(QStringLiteral(":/cot05006/cot05006_messages.txt"));
        throw UserError(messages.Msg(QStringLiteral("Tabela_Inf")));
    }
    return CriaConfAceite(*table, params.value(1).toString());
}

}  // namespace Cli_cot05006

}  // namespace cot
