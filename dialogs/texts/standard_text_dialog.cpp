#include "dialogs/texts/standard_text_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <stdexcept>

#include "data/client_table.h"
#include "data/data_source.h"
#include "reach/proposal_reach.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"
#include "ui/screen.h"

namespace cot {

namespace {

const QString kMark = QStringLiteral("IDCHECK");
const QString kChecked = QStringLiteral("S");
const QString kUnchecked = QStringLiteral("N");
// Olive: the colour InsereImagem leaves transparent.
const QColor kTransparent(128, 128, 0);

// A mark glyph on an olive ground: a box, ticked or not; greyed for any other value.
QPixmap markGlyph(bool ticked, bool neutral) {
    QPixmap p(16, 16);
    p.fill(kTransparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink = neutral ? QColor(128, 128, 128) : QColor(0, 0, 0);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(neutral ? QColor(224, 224, 224) : QColor(255, 255, 255));
    painter.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (ticked) {
        QPainterPath tick;
        tick.moveTo(4.5, 8);
        tick.lineTo(7, 11);
        tick.lineTo(11.5, 4.5);
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
    return p;
}

// What a stored rich text reads as, on one line.
QString plainLine(const QString& stored) {
    return QTextDocumentFragment::fromHtml(stored).toPlainText().simplified();
}

}  // namespace

TfrmInsTextoProp::TfrmInsTextoProp(ProposalReach& screen, QWidget* parent)
    : TCheckListDialog(QStringLiteral("COT05008"), QStringLiteral("Inclusão de Texto da Proposta"), parent),
      screen_(screen) {
    setObjectName(QStringLiteral("frmInsTextoProp"));
    loadMessages(QStringLiteral(":/cot05008/cot05008_messages.txt"));
    setSizeGripEnabled(true);
    createTables();
    createControls();
    resize(760, 420);
}

void TfrmInsTextoProp::createTables() {
    cdsMensagem = new ClientTable(QStringLiteral("cdsMensagem"), this);
    cdsMensagem->addField(QStringLiteral("CDPADTXT"), FieldType::String, 20).displayLabel = QStringLiteral("Código");
    cdsMensagem->addField(QStringLiteral("TXPADTXT"), FieldType::Memo).displayLabel = QStringLiteral("Texto");
    cdsMensagem->addField(kMark, FieldType::FixedString, 1);
    cdsMensagem->setFilter(QStringLiteral("(IDCHECK = 'S') "));
    dtsMensagem = new DataSource(QStringLiteral("dtsMensagem"), this);
    dtsMensagem->setDataSet(cdsMensagem);
}

void TfrmInsTextoProp::createControls() {
    imgCheck = markGlyph(true, false);
    imgUncheck = markGlyph(false, false);
    imgDescheck = markGlyph(false, true);

    auto* layout = new QVBoxLayout(panPrincipal);
    layout->setContentsMargins(0, 0, 0, 0);
    panProcura = new TPanel(QStringLiteral("panProcura"), panPrincipal);
    auto* top = new QHBoxLayout(panProcura);
    top->setContentsMargins(4, 2, 4, 2);
    sbtProcurar = new TSpeedButton(QStringLiteral("sbtProcurar"), panProcura, QStringLiteral("Procurar"));
    sbtProcurar->setToolTip(QStringLiteral("Procurar"));
    top->addStretch();
    top->addWidget(sbtProcurar);
    layout->addWidget(panProcura);

    dbgServico = new TDBGrid(QStringLiteral("dbgServico"), panPrincipal);
    dbgServico->setDataSource(dtsMensagem);
    dbgServico->setOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect |
                           dgAlwaysShowSelection);
    dbgServico->setReadOnly(true);
    dbgServico->setColor(ControlColor::InfoBk);
    dbgServico->defaultDrawing = false;
    dbgServico->addColumn(kMark, QString(QChar(0x2713)), 24)->alignment = Qt::AlignCenter;
    dbgServico->addColumn(QStringLiteral("CDPADTXT"), {}, 140);
    dbgServico->addColumn(QStringLiteral("TXPADTXT"), {}, 520);
    dbgServico->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(dbgServico, 1);

    sbtProcurar->onClick = [this] { sbtProcurarClick(); };
    dbgServico->onDrawColumnCell = [this](QPainter& p, const QRect& r, TColumn& c, GridDrawStates s) {
        dbgServicoDrawColumnCell(p, r, c, s);
    };
    dbgServico->onCellClick = [this](TColumn& c) {
        if (c.fieldName == kMark) MarcaTexto();
    };
    dbgServico->onTitleClick = [this](TColumn& c) {
        if (c.fieldName == kMark) MarcaTodos();
    };
    attachList(*dbgServico, *cdsMensagem);
}

void TfrmInsTextoProp::FormCreate() {
    cdsMensagem->setData(screen_.net().getPacket(QStringLiteral("GetTextoMens")));
    if (dbgServico->canFocus()) dbgServico->setFocus();
}

void TfrmInsTextoProp::FormShow() { repaint(); }

void TfrmInsTextoProp::FormClose(CloseAction& action) { TCheckListDialog::FormClose(action); }

void TfrmInsTextoProp::dbgServicoDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column,
                                                GridDrawStates state) {
    drawCell(painter, rect, state, [&] {
        if (!column.field) return;
        if (column.fieldName == kMark) {
            const QString mark = column.field->asString();
            InsereImagem(painter, rect, mark == kChecked ? imgCheck : mark == kUnchecked ? imgUncheck : imgDescheck);
        } else {
            drawText(painter, rect, column.field->dataType() == FieldType::Memo
                                                    ? plainLine(column.field->asString())
                                                    : column.field->displayText());
        }
    });
}

void TfrmInsTextoProp::MarcaTexto() {
    ClientTable& t = *cdsMensagem;
    if (!t.active() || t.isEmpty()) return;
    const QString mark = t[kMark].asString();
    if (mark != kChecked && mark != kUnchecked) return;
    t.edit();
    t[kMark].setAsString(mark == kChecked ? kUnchecked : kChecked);
    t.post();
}

void TfrmInsTextoProp::MarcaTodos() {
    HourGlass hourGlass;
    ClientTable& t = *cdsMensagem;
    if (!t.active()) return;
    const QString mark = allChecked_ ? kUnchecked : kChecked;
    {
        ControlsOff off(t);
        for (t.first(); !t.eof(); t.next()) {
            if (t[kMark].asString() == mark) continue;
            t.edit();
            t[kMark].setAsString(mark);
            t.post();
        }
        t.first();
    }
    allChecked_ = !allChecked_;
}

}  // namespace cot
