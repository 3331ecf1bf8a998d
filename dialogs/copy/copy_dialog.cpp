#include "dialogs/copy/copy_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <stdexcept>

#include "data/client_table.h"
#include "data/data_source.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_edit.h"
#include "ui/edits.h"

namespace cot {

namespace {

const QString kVersionMask = QStringLiteral("99;0; ");

}  // namespace

TfrmCopiaProposta::TfrmCopiaProposta(ProposalReach& screen, QWidget* parent)
    : TfrmRotiGeral(QStringLiteral("COT05004"), QStringLiteral("Cópia da Proposta"), parent), screen_(screen) {
    setObjectName(QStringLiteral("frmCopiaProposta"));
    loadMessages(QStringLiteral(":/cot05004/cot05004_messages.txt"));
    createTables();
    createControls();
}

void TfrmCopiaProposta::createTables() {
    cdsProposta = new ClientTable(QStringLiteral("cdsProposta"), this);
    const auto field = [this](const char* name, FieldType type, int size = 0) -> Field& {
        return cdsProposta->addField(QString::fromLatin1(name), type, size);
    };
    field("NRPROPOSFAS", FieldType::String, 20);
    field("NRVERPROPFAS", FieldType::String, 2).editMask = kVersionMask;
    field("DTPROPOSFAS", FieldType::DateTime);
    field("CDOPERINCL", FieldType::String, 12);
    field("IDCLIENPROSP", FieldType::String, 1);
    field("NRCONTATO", FieldType::String, 10);
    field("CDPROSPECT", FieldType::String, 21);
    field("DTVALPROPFAS", FieldType::DateTime);
    field("DTACEPROPFAS", FieldType::DateTime);
    field("CDFILIAL", FieldType::String, 4);
    field("CDCLIENTE", FieldType::String, 21);
    field("CDOPERADOR", FieldType::String, 12);
    field("NMOPERADOR", FieldType::String, 40);
    field("CODIGO", FieldType::String, 21).readOnly = true;
    field("NOME", FieldType::String, 50).readOnly = true;
    field("DSREFEPROPOSFAS", FieldType::String, 100);
    dtsProposta = new DataSource(QStringLiteral("dtsProposta"), this);
    dtsProposta->setDataSet(cdsProposta);

    cdsMaxVerPropFas = new ClientTable(QStringLiteral("cdsMaxVerPropFas"), this);
    cdsMaxVerPropFas->addField(QStringLiteral("NRVERPROPFAS"), FieldType::String, 20);
    cdsValidaProposta = new ClientTable(QStringLiteral("cdsValidaProposta"), this);
}

void TfrmCopiaProposta::createControls() {
    auto* grid = new QGridLayout(panPrincipal);
    const auto label = [this, grid](const QString& caption, int row, QWidget* buddy) {
        auto* l = new QLabel(caption, panPrincipal);
        l->setBuddy(buddy);
        grid->addWidget(l, row, 0);
    };
    const auto display = [this](const char* name, const char* field) {
        auto* e = new TDBEdit(QString::fromLatin1(name), panPrincipal);
        e->setDataSource(dtsProposta);
        e->setDataField(QString::fromLatin1(field));
        e->setEnabled(false);
        e->setColor(ControlColor::BtnFace);
        return e;
    };
    dbeProposta = display("dbeProposta", "NRPROPOSFAS");
    dbeReferencia = display("dbeReferencia", "DSREFEPROPOSFAS");
    medVersao = new TMaskEdit(QStringLiteral("medVersao"), panPrincipal);
    medVersao->setEditMask(kVersionMask);
    medVersao->setMaxLength(2);
    medVersao->setColor(ControlColor::InfoBk);
    medVersao->setFixedWidth(48);

    label(QStringLiteral("Proposta"), 0, dbeProposta);
    grid->addWidget(dbeProposta, 0, 1);
    label(QStringLiteral("Referência"), 1, dbeReferencia);
    grid->addWidget(dbeReferencia, 1, 1);
    label(QStringLiteral("Versão"), 2, medVersao);
    grid->addWidget(medVersao, 2, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    dbeReferencia->setMinimumWidth(360);

    // The dialog's own cancel asks first; the base's plain cancel is not offered.
    sbtCancel->hide();
    sbtCancelar = new TSpeedButton(QStringLiteral("sbtCancelar"), panBotoes, QStringLiteral("Cancelar"));
    sbtCancelar->setToolTip(QStringLiteral("Cancelar"));
    panBotoes->layout()->addWidget(sbtCancelar);
    sbtCancelar->onClick = [this] { sbtCancelarClick(); };
}

void TfrmCopiaProposta::FormCreate() {
    ProposalReach& s = screen_;
    NetConnection& net = s.net();
    cdsProposta->setData(net.getPacket(QStringLiteral("CopiaProposta"), {Session::instance().branch(), s.key().nr, s.key().ver}));
    cdsMaxVerPropFas->setData(net.getPacket(QStringLiteral("getMaxVerPropFas"), {s.key().nr}));
    if (!cdsMaxVerPropFas->isEmpty()) {
        cdsMaxVerPropFas->first();
        medVersao->setText((*cdsMaxVerPropFas)[QStringLiteral("NRVERPROPFAS")].asString().trimmed());
    }
}

void TfrmCopiaProposta::FormActivate() {
    repaint();
    medVersao->setFocus();
    medVersao->selectAll();
}

void TfrmCopiaProposta::FormClose(CloseAction& action) {
    TfrmRotiGeral::FormClose(action);
    action = CloseAction::caHide;
}

QString TfrmCopiaProposta::typedVersion() const {
    const QString v = medVersao->text().trimmed();
    // One digit is the version of that number: the list keeps versions two digits wide.
    return v.size() == 1 && v.front().isDigit() ? QStringLiteral("0") + v : v;
}

void TfrmCopiaProposta::failOnVersion(const QString& key) {
    if (medVersao->isVisible()) medVersao->setFocus();
    Consiste::MensErro(msgPadrao.Msg(key));
}

void TfrmCopiaProposta::Vd_Proposta(bool report) {
    const QString version = typedVersion();
    if (version.isEmpty()) {
        if (report) failOnVersion(QStringLiteral("Ver_Inf"));
        return;
    }
    ProposalReach& s = screen_;
    cdsValidaProposta->setData(
        s.net().getPacket(QStringLiteral("ValidaProposta"), {Session::instance().branch(), s.key().nr, version}));
    if (!cdsValidaProposta->isEmpty()) failOnVersion(QStringLiteral("PROPJACAD"));
}

}  // namespace cot
