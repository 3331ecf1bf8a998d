#include "approval/dialog/approval_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <stdexcept>

#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/proposal_heading.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/edits.h"

namespace cot {

MailSender* TfrmAprovacao::mailSender = nullptr;

namespace {

const QString kCodeMask = QStringLiteral("9999999999;0; ");
const QString kMoney = QStringLiteral("#,##0.00");
const QString kMoneyEdit = QStringLiteral("##0.00");

Field& hidden(ClientTable& t, const char* name, FieldType type, int size = 0, const QString& label = {}) {
    Field& f = t.addField(QString::fromLatin1(name), type, size);
    f.displayLabel = label;
    f.visible = false;
    return f;
}

Field& money(ClientTable& t, const char* name) {
    Field& f = hidden(t, name, FieldType::Float);
    f.displayFormat = kMoney;
    f.editFormat = kMoneyEdit;
    f.alignment = FieldAlignment::Right;
    return f;
}

QString textOf(const ClientTable& t, const char* field) {
    const Field* f = t.findField(QString::fromLatin1(field));
    return f ? f->asString().trimmed() : QString();
}

}  // namespace

TfrmAprovacao::TfrmAprovacao(ProposalReach& screen, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("COT05003"), QStringLiteral("Aprovação"), parent), screen_(screen) {
    setObjectName(QStringLiteral("frmAprovacao"));
    loadMessages(QStringLiteral(":/cot05003/cot05003_messages.txt"));
    createTables();
    createControls();
}

void TfrmAprovacao::createTables() {
    cdsLinhaProduto = new ClientTable(QStringLiteral("cdsLinhaProduto"), this);
    ClientTable& t = *cdsLinhaProduto;
    hidden(t, "NRPROPOSFAS", FieldType::String, 20);
    hidden(t, "NRVERPROPFAS", FieldType::String, 2);
    hidden(t, "CDLINPPROP", FieldType::String, 20);
    hidden(t, "CDLINPPROPINFOR", FieldType::String, 10, QStringLiteral("Código")).editMask = kCodeMask;
    hidden(t, "NMLINPPROP", FieldType::String, 50, QStringLiteral("Linha de Produto")).visible = true;
    hidden(t, "NRUSUALINPP", FieldType::Float, 0, QStringLiteral("Usuários"));
    hidden(t, "IDTIPLINPP", FieldType::String, 1, QStringLiteral("Tipo"));
    hidden(t, "QTMINIMAFATPROP", FieldType::Float, 0, QStringLiteral("Qtde.Licenças"));
    money(t, "VRLICENCUSOPROP");
    money(t, "VRMENSALIDAPROP");
    money(t, "VRDESLICUSOPROP");
    money(t, "VRDESMENSALPROP");
    hidden(t, "IDMPROCLINPP", FieldType::String, 1);
    hidden(t, "IDLPROCLINPP", FieldType::String, 1);
    hidden(t, "DTCALUSLINPP", FieldType::DateTime);
    hidden(t, "IDAMBLINPP", FieldType::String, 3, QStringLiteral("Plataforma"));
    Field& value = t.addField(QStringLiteral("VRLINPROD"), FieldType::Float, 0, FieldKind::Calculated);
    value.displayLabel = QStringLiteral("Valor");
    value.displayFormat = kMoney;
    value.editFormat = kMoneyEdit;
    value.alignment = FieldAlignment::Right;
    hidden(t, "IDTIPOPROPFAS", FieldType::String, 1, QStringLiteral("Contrato"));
    hidden(t, "MENSCALUSLINPP", FieldType::String, 7).displayWidth = 7;
    hidden(t, "DTCALUSLINPPAUX", FieldType::DateTime);
    t.onCalcFields = [this](ClientTable& d) { cdsLinhaProdutoCalcFields(d); };

    cdsErroCarencia = new ClientTable(QStringLiteral("cdsErroCarencia"), this);
    cdsErroCarencia->addField(QStringLiteral("CDLINPPROPINFOR"), FieldType::String, 10).editMask = kCodeMask;
    cdsErroCarencia->field(0).displayLabel = QStringLiteral("Código");
    cdsErroCarencia->addField(QStringLiteral("NMLINPPROP"), FieldType::String, 50).displayLabel =
        QStringLiteral("Linha de Produto");
    Field& month = cdsErroCarencia->addField(QStringLiteral("MENSCALUSLINPP"), FieldType::String, 7);
    month.displayLabel = QStringLiteral("Data da carência");
    month.displayWidth = 7;

    cdsErroDtVenc = new ClientTable(QStringLiteral("cdsErroDtVenc"), this);
    Field& code = cdsErroDtVenc->addField(QStringLiteral("CDLINPPROPINFOR"), FieldType::String, 10);
    code.displayLabel = QStringLiteral("Código");
    code.displayWidth = 13;
    code.editMask = kCodeMask;
    cdsErroDtVenc->addField(QStringLiteral("NMLINPPROP"), FieldType::String, 50).displayLabel =
        QStringLiteral("Linha de Produto");

    cdsMinDtVenc = new ClientTable(QStringLiteral("cdsMinDtVenc"), this);
    cdsMinDtVencServ = new ClientTable(QStringLiteral("cdsMinDtVencServ"), this);
    cdsVencLinha = new ClientTable(QStringLiteral("cdsVencLinha"), this);
}

void TfrmAprovacao::createControls() {
    auto* column = new QVBoxLayout(panPrincipal);
    lblProposta = new QLabel(panPrincipal);
    lblProposta->setObjectName(QStringLiteral("lblProposta"));
    lblProposta->setTextFormat(Qt::PlainText);
    QFont bold = lblProposta->font();
    bold.setBold(true);
    lblProposta->setFont(bold);
    column->addWidget(lblProposta);
    lblDecisaoCliente = new QLabel(panPrincipal);
    lblDecisaoCliente->setObjectName(QStringLiteral("lblDecisaoCliente"));
    lblDecisaoCliente->setWordWrap(true);
    lblDecisaoCliente->setTextFormat(Qt::PlainText);
    lblDecisaoCliente->hide();
    column->addWidget(lblDecisaoCliente);
    grbDtAprov = new TGroupBox(QStringLiteral("grbDtAprov"), panPrincipal, QStringLiteral("Data da Aprovação"));
    auto* dateRow = new QHBoxLayout(grbDtAprov);
    depDataCadIni = new TDateEditPlus(QStringLiteral("depDataCadIni"), grbDtAprov);
    depDataCadIni->setColor(ControlColor::InfoBk);
    depDataCadIni->setFixedWidth(110);
    dateRow->addWidget(depDataCadIni);
    dateRow->addStretch(1);
    column->addWidget(grbDtAprov);

    grbProspect = new TGroupBox(QStringLiteral("grbProspect"), panPrincipal, QStringLiteral("Dados do Prospect"));
    auto* grid = new QGridLayout(grbProspect);
    const auto edit = [this, grid](const char* name, const QString& caption, int row, bool required) {
        auto* e = new TEdit(QString::fromLatin1(name), grbProspect);
        if (required) e->setColor(ControlColor::InfoBk);
        auto* l = new QLabel(caption, grbProspect);
        l->setBuddy(e);
        grid->addWidget(l, row, 0);
        grid->addWidget(e, row, 1);
        return e;
    };
    medInscricao = edit("medInscricao", QStringLiteral("Inscrição"), 0, true);
    medRazSocClie = edit("medRazSocClie", QStringLiteral("Razão Social"), 1, true);
    medComplemento = edit("medComplemento", QStringLiteral("Complemento"), 2, false);
    medNmFantClie = edit("medNmFantClie", QStringLiteral("Nome Fantasia"), 3, true);
    medRazSocClie->setMaxLength(50);
    medNmFantClie->setMaxLength(50);
    grid->setColumnStretch(1, 1);
    column->addWidget(grbProspect);
    column->addStretch(1);
    grbProspect->setMinimumWidth(420);

    // The dialog's own cancel asks first; the base's plain cancel is not offered.
    sbtCancel->hide();
    sbtCancelar = new TSpeedButton(QStringLiteral("sbtCancelar"), panBotoes, QStringLiteral("Cancelar"));
    sbtCancelar->setToolTip(QStringLiteral("Cancelar"));
    panBotoes->layout()->addWidget(sbtCancelar);
    sbtCancelar->onClick = [this] { sbtCancelarClick(); };
}

void TfrmAprovacao::FormCreate() {
    ProposalReach& s = screen_;
    cdsErroCarencia->createDataSet();
    const bool prospect = isProspect();
    grbProspect->setEnabled(prospect);
    for (QWidget* w : {static_cast<QWidget*>(medInscricao), static_cast<QWidget*>(medRazSocClie),
                       static_cast<QWidget*>(medComplemento), static_cast<QWidget*>(medNmFantClie)})
        w->setEnabled(prospect);
    // A client proposal shows only the date.
    grbProspect->setVisible(prospect);
    if (prospect) {
        medInscricao->setText(textOf(s.proposal(), "NRINSJURCLIE"));
        medRazSocClie->setText(textOf(s.proposal(), "NMRAZSOCPROS"));
        medNmFantClie->setText(textOf(s.proposal(), "NOME"));
    }
    lblProposta->setText(QStringLiteral("Aprovar a proposta ") + proposalHeading(s.proposal()));
    // Most proposals are approved the day the client says so: today (the server's day).
    depDataCadIni->setDate(Clock::current().today());
    showClientDecision();
    exTotalLinhas = 0;
}

void TfrmAprovacao::FormActivate() {
    repaint();
    depDataCadIni->setFocus();
}

void TfrmAprovacao::FormClose(CloseAction& action) {
    TfrmRotiGeral::FormClose(action);
    action = CloseAction::caHide;
}

void TfrmAprovacao::cdsLinhaProdutoCalcFields(ClientTable& t) {
    // The value consented to is the one the acceptance charges: the sum of the line's
    // installments as stored (whatever interest they carry or not), never a figure worked
    // out again here.
    const auto charged = charged_.constFind(t[QStringLiteral("CDLINPPROP")].asString());
    t[QStringLiteral("VRLINPROD")].setAsFloat(charged != charged_.constEnd() ? *charged : 0.0);
}

bool TfrmAprovacao::isProspect() const {
    return textOf(screen_.proposal(), "IDCLIENPROSP") == QLatin1String("P");
}

void TfrmAprovacao::fail(const QString& key, QWidget* focus, const QStringList& args) {
    if (focus && focus->isVisible()) focus->setFocus();
    Consiste::MensErro(args.isEmpty() ? msgPadrao.Msg(key) : msgPadrao.Msg(key, args));
    throw Abort();  // MensErro ends the operation; this keeps the compiler sure of it
}

}  // namespace cot
