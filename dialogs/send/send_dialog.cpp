#include "dialogs/send/send_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "base/dialogs.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/report/report_pdf.h"
#include "dialogs/send/client_page_preview.h"
#include "reach/proposal_reach.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/edits.h"
#include "ui/modal_once.h"

namespace cot {

namespace {

const QString kNumber = QStringLiteral("NRENVIO");
const QString kSituation = QStringLiteral("IDSITUENVIO");

// "2/01": the number without its leading zeros, as the client's mail and page name it.
QString shownKey(const ProposalKey& key) {
    QString number = key.nr.trimmed();
    while (number.size() > 1 && number.startsWith(u'0')) number.remove(0, 1);
    return number + u'/' + key.ver.trimmed();
}

}  // namespace

TfrmEnviarCliente::TfrmEnviarCliente(ProposalReach& reach, QWidget* parent)
    : TfrmPadraoSimples({}, QStringLiteral("Enviar ao Cliente"), parent), reach_(reach), key_(reach.key()) {
    setObjectName(QStringLiteral("frmEnviarCliente"));
    cdsEnvios = new ClientTable(QStringLiteral("cdsEnvios"), this);
    dtsEnvios = new DataSource(QStringLiteral("dtsEnvios"), this);
    dtsEnvios->setDataSet(cdsEnvios);
    createControls();
    resize(720, 400);
}

void TfrmEnviarCliente::createControls() {
    auto* root = new QVBoxLayout(panPrincipal);
    root->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    const auto caption = [this, grid](const QString& text, int row, QWidget* buddy) {
        auto* l = new QLabel(text, panPrincipal);
        l->setBuddy(buddy);
        grid->addWidget(l, row, 0);
        grid->addWidget(buddy, row, 1);
    };
    const ClientTable& p = reach_.proposal();
    const bool listed = p.active() && !p.isEmpty();
    lblProposta = new TLabel(QStringLiteral("lblProposta"), panPrincipal, shownKey(key_));
    lblReferencia = new TLabel(QStringLiteral("lblReferencia"), panPrincipal,
                               listed ? p[QStringLiteral("DSREFEPROPOSFAS")].asString().trimmed() : QString());
    edtEmail = new TEdit(QStringLiteral("edtEmail"), panPrincipal);
    edtEmail->setText(listed ? p[QStringLiteral("DSEMAIPROFAS")].asString().trimmed() : QString());
    edtEmail->setMaxLength(250);
    edtEmail->setToolTip(QStringLiteral("Vários endereços separados por ';'"));
    sbtEnviar = new TSpeedButton(QStringLiteral("sbtEnviar"), panPrincipal, QStringLiteral("Enviar"));
    sbtEnviar->setToolTip(QStringLiteral("Enviar"));
    caption(QStringLiteral("Proposta"), 0, lblProposta);
    caption(QStringLiteral("Referência"), 1, lblReferencia);
    caption(QStringLiteral("E-mail do cliente"), 2, edtEmail);
    grid->addWidget(sbtEnviar, 2, 2);
    grid->setColumnStretch(1, 1);
    root->addLayout(grid);

    dbgEnvios = new TDBGrid(QStringLiteral("dbgEnvios"), panPrincipal);
    dbgEnvios->setReadOnly(true);
    dbgEnvios->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgEnvios->setDataSource(dtsEnvios);
    root->addWidget(dbgEnvios, 1);

    auto* buttons = new QHBoxLayout;
    sbtVisualizar = new TSpeedButton(QStringLiteral("sbtVisualizar"), panPrincipal,
                                     QStringLiteral("Visualizar página do cliente"));
    sbtVisualizar->setToolTip(QStringLiteral("Visualizar a página que o cliente abre pelo link do e-mail"));
    buttons->addWidget(sbtVisualizar);
    buttons->addStretch();
    sbtRevogar = new TSpeedButton(QStringLiteral("sbtRevogar"), panPrincipal, QStringLiteral("Cancelar Link"));
    sbtRevogar->setToolTip(QStringLiteral("Cancelar Link"));
    sbtRevogar->setEnabled(false);
    buttons->addWidget(sbtRevogar);
    root->addLayout(buttons);

    sbtEnviar->onClick = [this] { sbtEnviarClick(); };
    sbtRevogar->onClick = [this] { sbtRevogarClick(); };
    sbtVisualizar->onClick = [this] { sbtVisualizarClick(); };
    cdsEnvios->afterScroll = [this](ClientTable&) { enableRevoke(); };
}

void TfrmEnviarCliente::FormCreate() { loadSendings(); }

void TfrmEnviarCliente::FormActivate() {
    edtEmail->setFocus();
    edtEmail->selectAll();
}

QString TfrmEnviarCliente::situationText(const QString& code) {
    const QString c = code.trimmed();
    if (c == QLatin1String("V")) return QStringLiteral("Ativo");
    if (c == QLatin1String("X")) return QStringLiteral("Expirado");
    if (c == QLatin1String("C")) return QStringLiteral("Cancelado");
    if (c == QLatin1String("D")) return QStringLiteral("Decidido");
    return c;
}

void TfrmEnviarCliente::loadSendings(qint64 keep) {
    const Packet sendings = reach_.net().getPacket(QStringLiteral("GetEnvios"), {key_.nr, key_.ver});
    cdsEnvios->setData(sendings);
    dressFields();
    if (keep != 0 && !cdsEnvios->locate(kNumber, keep)) cdsEnvios->first();
    enableRevoke();
}

void TfrmEnviarCliente::dressFields() {
    for (int i = 0; i < cdsEnvios->fieldCount(); ++i) cdsEnvios->field(i).visible = false;
    const auto show = [this](const QString& name, const QString& label, const QString& format = {}) -> Field* {
        Field* f = cdsEnvios->findField(name);
        if (!f) return nullptr;
        f->visible = true;
        f->displayLabel = label;
        if (!format.isEmpty()) f->displayFormat = format;
        return f;
    };
    show(kNumber, QStringLiteral("Envio"));
    show(QStringLiteral("DTENVIO"), QStringLiteral("Data"), QStringLiteral("dd/mm/yyyy hh:nn"));
    if (Field* by = show(QStringLiteral("NMOPERADOR"), QStringLiteral("Enviado por"))) {
        // An operator no longer registered is shown by his code.
        by->onGetText = [this](Field& f, bool) {
            const QString name = f.asString().trimmed();
            const Field* code = cdsEnvios->findField(QStringLiteral("CDOPERADOR"));
            return name.isEmpty() && code ? code->asString().trimmed() : name;
        };
    }
    show(QStringLiteral("DSEMAILDEST"), QStringLiteral("Para"));
    show(QStringLiteral("DTEXPIRA"), QStringLiteral("Válido até"), QStringLiteral("dd/mm/yyyy"));
    if (Field* situation = show(kSituation, QStringLiteral("Situação")))
        situation->onGetText = [](Field& f, bool) { return situationText(f.asString()); };
    dbgEnvios->clearColumns();
    dbgEnvios->addColumn(kNumber, QStringLiteral("Envio"), 50);
    dbgEnvios->addColumn(QStringLiteral("DTENVIO"), QStringLiteral("Data"), 120);
    dbgEnvios->addColumn(QStringLiteral("NMOPERADOR"), QStringLiteral("Enviado por"), 140);
    dbgEnvios->addColumn(QStringLiteral("DSEMAILDEST"), QStringLiteral("Para"), 220);
    dbgEnvios->addColumn(QStringLiteral("DTEXPIRA"), QStringLiteral("Válido até"), 80);
    dbgEnvios->addColumn(kSituation, QStringLiteral("Situação"), 80);
}

void TfrmEnviarCliente::enableRevoke() {
    const Field* situation = cdsEnvios->findField(kSituation);
    sbtRevogar->setEnabled(cdsEnvios->active() && !cdsEnvios->isEmpty() && situation &&
                           situation->asString().trimmed() == QLatin1String("V"));
}

void TfrmEnviarCliente::sbtEnviarClick() {
    Packet sent;
    {
        BusyScope busy;
        const QByteArray pdf = proposalPdf(reach_);
        sent = reach_.net()
                   .callChecked(QStringLiteral("EnviarAoCliente"),
                                {key_.nr, key_.ver, edtEmail->text().trimmed(), QString::fromLatin1(pdf.toBase64())})
                   .value<Packet>();
    }
    // The addresses as the server took them, each once.
    Dialogs::current().information(
        QStringLiteral("Proposta enviada para %1.").arg(sent.value(0, QStringLiteral("DSEMAILDEST")).toString()));
    loadSendings(sent.value(0, kNumber).toLongLong());
}

void TfrmEnviarCliente::sbtVisualizarClick() {
    QString html;
    {
        BusyScope busy;
        html = reach_.net().callChecked(QStringLiteral("GetPaginaCliente"), {key_.nr, key_.ver}).toString();
    }
    const QPointer<TfrmPaginaCliente> page = createForm<TfrmPaginaCliente>(html, shownKey(key_), this);
    const ModalOnce<TfrmPaginaCliente> once(page);
    page->ShowModal();
}

void TfrmEnviarCliente::sbtRevogarClick() {
    enableRevoke();
    if (!sbtRevogar->isEnabled()) return;
    const qint64 number = (*cdsEnvios)[kNumber].asInteger();
    if (Dialogs::current().messageDlg(
            QStringLiteral("Cancelar o link deste envio? O cliente não poderá mais abri-lo."),
            DialogType::Confirmation, mbYes | mbNo) != mrYes)
        return;
    {
        BusyScope busy;
        reach_.net().callChecked(QStringLiteral("RevogarEnvio"), {key_.nr, key_.ver, number});
    }
    loadSendings(number);
}

}  // namespace cot
