#include "dialogs/systems/systems_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <stdexcept>

#include "data/client_table.h"
#include "data/data_source.h"
#include "data/table_catalogue.h"
#include "dialogs/systems/systems_marks.h"
#include "reach/proposal_reach.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

namespace {

const QString kMark = QStringLiteral("IDCHECK");

// Check box of a mark, drawn centred in the cell: checked (S), empty (N), checked and
// greyed (T: already on the line), greyed and crossed out (blocked).
void drawMark(QPainter& painter, const QRect& cell, const QString& mark) {
    const int side = qMax(7, qMin(13, cell.height() - 4));
    const QRect box(cell.center().x() - side / 2, cell.center().y() - side / 2, side, side);
    const bool onLine = mark == systems_marks::kOnLine;
    const bool blocked = mark.isEmpty();
    const QColor ink = onLine || blocked ? QColor(128, 128, 128) : QColor(0, 0, 0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(onLine || blocked ? QColor(224, 224, 224) : QColor(255, 255, 255));
    painter.setPen(QPen(ink, 1));
    painter.drawRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    const QRectF in = QRectF(box).adjusted(2.5, 2.5, -2.5, -2.5);
    if (mark == systems_marks::kChecked || onLine) {
        QPainterPath tick;
        tick.moveTo(in.left(), in.center().y());
        tick.lineTo(in.left() + in.width() * 0.4, in.bottom());
        tick.lineTo(in.right(), in.top());
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    } else if (blocked) {
        painter.setPen(QPen(ink, 1.5));
        painter.drawLine(in.topLeft(), in.bottomRight());
        painter.drawLine(in.topRight(), in.bottomLeft());
    }
    painter.restore();
}

}  // namespace

TfrmSistemasLinha::TfrmSistemasLinha(ProposalReach& screen, bool inserting, QWidget* parent)
    : TCheckListDialog(QStringLiteral("COT05005"), QStringLiteral("Inclusão de Sistemas"), parent),
      inserting_(inserting),
      screen_(screen) {
    setObjectName(QStringLiteral("frmIncluServ"));
    loadMessages(QStringLiteral(":/cot05005/cot05005_messages.txt"));
    setSizeGripEnabled(true);
    createTables();
    createControls();
    resize(760, 420);
}

void TfrmSistemasLinha::createTables() {
    cdsSistema = new ClientTable(QStringLiteral("cdsSistema"), this);
    systems_marks::choiceFields(*cdsSistema);
    (*cdsSistema)[kMark].visible = false;
    cdsSistemaOrdena = new ClientTable(QStringLiteral("cdsSistemaOrdena"), this);
    systems_marks::choiceFields(*cdsSistemaOrdena);
    (*cdsSistemaOrdena)[kMark].visible = false;

    cdsVdLinProd = new ClientTable(QStringLiteral("cdsVdLinProd"), this);
    const auto text = [this](const char* name, int size) {
        cdsVdLinProd->addField(QString::fromLatin1(name), FieldType::String, size);
    };
    text("CDCLIENTE", 21);
    text("NMFANTCLIE", 50);
    text("IDTIPLINPC", 1);
    cdsVdLinProd->addField(QStringLiteral("NRUSUALINPC"), FieldType::Float);
    text("IDAMBLINPC", 3);
    text("IDLPROCLINPC", 1);
    text("IDMPROCLINPC", 1);
    text("CDSISTEMAS", catalogue::table(QStringLiteral("LINPCLIE")).size(QStringLiteral("CDSISTEMAS")));
    cdsVdLinProd->addField(QStringLiteral("QTLINHAPROD"), FieldType::Float);

    dtsSistema = new DataSource(QStringLiteral("dtsSistema"), this);
    dtsSistema->setDataSet(cdsSistema);
}

void TfrmSistemasLinha::createControls() {
    auto* layout = new QVBoxLayout(panPrincipal);
    layout->setContentsMargins(0, 0, 0, 0);

    panPlataforma = new TPanel(QStringLiteral("panPlataforma"), panPrincipal);
    auto* top = new QHBoxLayout(panPlataforma);
    top->setContentsMargins(4, 2, 4, 2);
    rdbDos = new TRadioButton(QStringLiteral("rdbDos"), panPlataforma, QStringLiteral("DOS"));
    rdbWin = new TRadioButton(QStringLiteral("rdbWin"), panPlataforma, QStringLiteral("Windows"));
    rdbWeb = new TRadioButton(QStringLiteral("rdbWeb"), panPlataforma, QStringLiteral("Web"));
    rdbAsp = new TRadioButton(QStringLiteral("rdbAsp"), panPlataforma, QStringLiteral("ASP"));
    rdbWeb->setChecked(true);  // before the handlers: the first load is FormCreate's
    sbtProcurar = new TSpeedButton(QStringLiteral("sbtProcurar"), panPlataforma, QStringLiteral("Procurar"));
    sbtProcurar->setToolTip(QStringLiteral("Procurar"));
    for (QWidget* w : {static_cast<QWidget*>(rdbDos), static_cast<QWidget*>(rdbWin), static_cast<QWidget*>(rdbWeb),
                       static_cast<QWidget*>(rdbAsp)})
        top->addWidget(w);
    top->addStretch();
    top->addWidget(sbtProcurar);
    layout->addWidget(panPlataforma);

    dbgServico = new TDBGrid(QStringLiteral("dbgServico"), panPrincipal);
    dbgServico->setDataSource(dtsSistema);
    dbgServico->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect |
                           dgAlwaysShowSelection);
    dbgServico->setReadOnly(true);
    dbgServico->setColor(ControlColor::InfoBk);
    dbgServico->defaultDrawing = false;
    dbgServico->addColumn(kMark, QString(QChar(0x2713)), 24)->alignment = Qt::AlignCenter;
    dbgServico->addColumn(QStringLiteral("NMPROCOMERCI"), {}, 170);
    dbgServico->addColumn(QStringLiteral("NMSISTEMA"), {}, 220);
    dbgServico->addColumn(QStringLiteral("CDSISTEMA"), {}, 80);
    dbgServico->addColumn(QStringLiteral("IDTECNOSIST"), {}, 80);
    dbgServico->addColumn(QStringLiteral("SGSISTEMA"), {}, 60);
    dbgServico->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(dbgServico, 1);

    for (TRadioButton* r : {rdbDos, rdbWin, rdbWeb, rdbAsp}) r->onClick = [this] { rdbPlataformaClick(); };
    sbtProcurar->onClick = [this] { sbtProcurarClick(); };
    dbgServico->onDrawColumnCell = [this](QPainter& p, const QRect& r, TColumn& c, GridDrawStates s) {
        dbgServicoDrawColumnCell(p, r, c, s);
    };
    dbgServico->onCellClick = [this](TColumn& c) {
        if (c.fieldName == kMark) MarcaSistema();
    };
    dbgServico->onTitleClick = [this](TColumn& c) {
        if (c.fieldName == kMark) MarcaTodos();
    };
    attachList(*dbgServico, *cdsSistema);
}

void TfrmSistemasLinha::FormCreate() {
    Identificador();
    VerificaPreenchidos();
    cdsSistemaOrdena->createDataSet();
}

// The list takes the focus, so Space and the arrows tick and move instead of switching
// the platform.
void TfrmSistemasLinha::FormShow() {
    if (dbgServico->isEnabled()) dbgServico->setFocus(Qt::OtherFocusReason);
}

void TfrmSistemasLinha::FormClose(CloseAction& action) {
    const bool confirmed = ModalRunner::hasModalResult(*this) && ModalRunner::modalResultOf(*this) == mrOk;
    if (!confirmed) giveUp();
    cdsSistemaOrdena->close();
    TCheckListDialog::FormClose(action);
}

void TfrmSistemasLinha::dbgServicoDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column,
                                                 GridDrawStates state) {
    drawCell(painter, rect, state, [&] {
        if (!column.field) return;
        if (column.fieldName == kMark) drawMark(painter, rect, column.field->asString());
        else drawText(painter, rect, column.field->displayText());
    });
}

namespace Cli_cot05005 {

void CriaSistemasLinha(ProposalReach& screen, bool inserting) {
    QPointer<TfrmSistemasLinha> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmSistemasLinha>(screen, inserting, &screen.dialogParent());
    }
    // Freed on every path out, unless the screen that owns it has taken it along meanwhile.
    const ModalOnce<TfrmSistemasLinha> once(dialog);
    dialog->ShowModal();
    if (dialog) dialog->setWindowState(Qt::WindowNoState);
}

}  // namespace Cli_cot05005

}  // namespace cot
