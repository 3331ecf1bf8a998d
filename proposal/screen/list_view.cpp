// The proposal list: columns, codes shown as words, the status and client-decision pictures
// with their legend, the text colours of closed proposals and requests, and the attachment
// column.
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QTimer>

#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "data/proposal_number.h"
#include "dialogs/attachments/list_attachments.h"
#include "proposal/screen/list_bar.h"
#include "proposal/screen/proposal_list_status.h"
#include "proposal/screen/proposal_screen.h"
#include "services/settings_store.h"
#include "services/session.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"
#include "ui/page_control.h"

namespace cot {

namespace {

struct ListColumn {
    const char* field;
    const char* title;  // nullptr: the field's label
    int width;
};

const ListColumn kListColumns[] = {
    {"IDSITUACAO", "Situação", 27},       {"IDDECCLIENTE", "Cliente", 44}, {"PROPOSTAVERS", "Proposta", 84}, {"DSREFEPROPOSFAS", nullptr, 244},
    {"IDTIPOPROPFAS", nullptr, 103}, {"IDSOLPROPFAS", nullptr, 69},  {"NMCONTATO", nullptr, 140},
    {"IDCLIENPROSP", "Contratante", 62}, {"NOME", "Nome do Contratante", 201}, {"DTPROPOSFAS", nullptr, 90},
    {"DTACEPROPFAS", nullptr, 90}, {"DTVALPROPFAS", nullptr, 90},   {"VRTOTAL", "Valor único", 100},
    {"VRMENSAL", "Mensal", 90},      {"OPERSOLI", nullptr, 199},    {"ANEXO", "Anexo", 0},
};

// Olive: the colour InsereImagem leaves transparent.
const QColor kTransparent(128, 128, 0);

// Where each operator's column layout of the list is kept (apart from the filter's sets):
// one variable per column, field name = width, in the order the columns are shown.
const QString kWidthsScreen = QStringLiteral("COT05000_colunas");
const QString kWidthsSet = QStringLiteral("dbgPadrao");
// Set while the saved layout is put back: the moves it makes are not the operator's.
bool restoringLayout = false;

// A status dot on an olive ground (drawn without smoothing so the ground stays one colour).
QPixmap statusDot(const QColor& colour) {
    QPixmap p(16, 16);
    p.fill(kTransparent);
    QPainter painter(&p);
    painter.setPen(colour.darker(160));
    painter.setBrush(colour);
    painter.drawEllipse(QRect(2, 2, 11, 11));
    return p;
}

// The client's decision: a check mark or a cross, drawn as the dots are.
QPixmap decisionMark(const QColor& colour, bool accepted) {
    QPixmap p(16, 16);
    p.fill(kTransparent);
    QPainter painter(&p);
    painter.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    if (accepted) {
        painter.drawPolyline(QPolygon({QPoint(3, 8), QPoint(6, 11), QPoint(12, 4)}));
    } else {
        painter.drawLine(QPoint(4, 4), QPoint(11, 11));
        painter.drawLine(QPoint(11, 4), QPoint(4, 11));
    }
    return p;
}

QLabel* picture(const char* name, const QPixmap& pixmap, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QPixmap shown = pixmap;
    shown.setMask(shown.createMaskFromColor(kTransparent, Qt::MaskInColor));
    label->setPixmap(shown);
    return label;
}

}  // namespace

void TfrmPropostaComercial::setupListGrid() {
    dtsPadrao->setDataSet(cdsProposta);
    dbgPadrao->setReadOnly(true);
    dbgPadrao->setSortable(true);
    for (const ListColumn& c : kListColumns)
        dbgPadrao->addColumn(QString::fromLatin1(c.field), c.title ? QString::fromUtf8(c.title) : QString(), c.width);
    if (TColumn* anexo = dbgPadrao->columnOf(QStringLiteral("ANEXO"))) anexo->width = 48;
    // The number and version as people read them ("15/02"); the key stays as stored.
    (*cdsProposta)["PROPOSTAVERS"].onGetText = [this](Field&, bool) {
        return shortProposalNumber((*cdsProposta)["NRPROPOSFAS"].asString(), (*cdsProposta)["NRVERPROPFAS"].asString());
    };
    dbgPadrao->columnsChanged();
    // A column the user widens stays so through reloads, and is kept for the operator.
    listWidthsTimer_ = new QTimer(this);
    listWidthsTimer_->setSingleShot(true);
    listWidthsTimer_->setInterval(400);
    connect(listWidthsTimer_, &QTimer::timeout, this, [this] { saveListWidths(); });
    connect(dbgPadrao->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        TColumn* c = dbgPadrao->column(index);
        if (!c || size <= 0 || c->width == size) return;  // the grid applying its own widths
        c->width = size;
        listWidthsChanged_ = true;
        listWidthsTimer_->start();
    });
    // Columns can be dragged to another place; the order is kept with the widths.
    dbgPadrao->horizontalHeader()->setSectionsMovable(true);
    connect(dbgPadrao->horizontalHeader(), &QHeaderView::sectionMoved, this, [this] {
        if (restoringLayout) return;
        listWidthsChanged_ = true;
        listWidthsTimer_->start();
    });
    setNavigatorCaption(cdsProposta, QStringLiteral("PROPNOME"));

    // One-letter codes shown as the catalogue's words; unknown words leave the code alone.
    const auto word = [this](const char* key) { return msgPadrao.Msg(QString::fromUtf8(key)); };
    Field& request = (*cdsProposta)["IDSOLPROPFAS"];
    request.onGetText = [word](Field& f, bool) {
        if (f.isNull()) return QString();
        return f.asString() == QLatin1String("S") ? word("Solicitação") : word("Proposta");
    };
    request.onSetText = [word](Field& f, const QString& text) {
        f.setAsString(text == word("Solicitação") ? QStringLiteral("S") : QStringLiteral("N"));
    };
    Field& party = (*cdsProposta)["IDCLIENPROSP"];
    party.onGetText = [word](Field& f, bool) {
        const QString code = f.asString();
        if (code == QLatin1String("C")) return word("Cliente");
        if (code == QLatin1String("P")) return word("Prospect");
        return QString();
    };
    party.onSetText = [word](Field& f, const QString& text) {
        if (text == word("Cliente")) f.setAsString(QStringLiteral("C"));
        else if (text == word("Prospect")) f.setAsString(QStringLiteral("P"));
    };
    (*cdsProposta)["IDTIPOPROPFAS"].onGetText = [word](Field& f, bool) {
        const QString code = f.asString();
        if (code == QLatin1String("M")) return word("LU/Manutencao");
        if (code == QLatin1String("L")) return word("Locacao");
        return word("Servico");
    };

    // Enter, or a double click outside the attachment column, opens the proposal's form.
    dbgPadrao->onKeyDown = [this](int& key, Qt::KeyboardModifiers modifiers) {
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || (modifiers & Qt::ControlModifier)) return;
        key = 0;
        openListedProposal();
    };

    // Status pictures and their legend under the list; the attachment picture stays hidden.
    auto* legend = new TPanel(QStringLiteral("panLegenda"), tshPadrao);
    auto* row = new QHBoxLayout(legend);
    row->setContentsMargins(4, 2, 4, 2);
    const auto caption = [&](const char* name, const char* key) {
        auto* l = new QLabel(word(key), legend);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    QLabel* lblAceite = caption("lblAceite", "Leg_Aceite");
    lblAceite->setStyleSheet(QStringLiteral("color: gray"));
    // Each status picture, then the client's decisions, with its caption.
    QHash<QString, QPixmap> pictures;
    const auto entry = [&](const char* name, const QPixmap& pixmap, const char* label, const char* key) {
        QLabel* img = picture(name, pixmap, legend);
        pictures.insert(QString::fromLatin1(name), img->pixmap());
        row->addSpacing(12);
        row->addWidget(img);
        row->addWidget(caption(label, key));
    };
    row->addWidget(lblAceite);
    entry("imgVerde", statusDot(QColor(0, 176, 0)), "lblValida", "Leg_Valida");
    entry("imgAmarelo", statusDot(QColor(255, 215, 0)), "lblAVencer", "Leg_AVencer");
    entry("imgVermelho", statusDot(QColor(220, 0, 0)), "lblVencida", "Leg_Vencida");
    entry("imgCinza", statusDot(QColor(160, 160, 160)), "lblSubstituida", "Leg_Substituida");
    entry("imgPreto", statusDot(QColor(20, 20, 20)), "lblPerdida", "Leg_Perdida");
    entry("imgAceitaCliente", decisionMark(QColor(0, 90, 220), true), "lblAceitaCliente", "Leg_AceitaCliente");
    entry("imgRecusadaCliente", decisionMark(QColor(240, 120, 0), false), "lblRecusadaCliente",
          "Leg_RecusadaCliente");
    row->addStretch();
    // The statuses in the words the export and the pipeline use.
    const std::pair<const char*, ProposalListStatus> statusCaptions[] = {
        {"lblAceite", ProposalListStatus::Accepted}, {"lblValida", ProposalListStatus::Valid},
        {"lblAVencer", ProposalListStatus::Expiring}, {"lblVencida", ProposalListStatus::Expired},
        {"lblSubstituida", ProposalListStatus::Superseded}, {"lblPerdida", ProposalListStatus::Lost}};
    for (const auto& [name, status] : statusCaptions)
        if (auto* l = legend->findChild<QLabel*>(QString::fromLatin1(name))) l->setText(proposalListStatusWord(status));
    if (tshPadrao->layout()) tshPadrao->layout()->addWidget(legend);
    listBar_ = new ProposalListBar(*this);
    if (auto* page = qobject_cast<QBoxLayout*>(tshPadrao->layout())) page->insertWidget(0, listBar_);

    attachments_ = new ListAttachments(*this, *dbgPadrao);
    auto* attachments = attachments_;
    auto* imgAnexo = picture("imgAnexo", attachments->imgAnexo(), this);
    imgAnexo->hide();

    // Only the picture columns are closed to editing; the grid itself stays read-only.
    dbgPadrao->onColEnter = [this] {
        const TColumn* c = dbgPadrao->selectedColumn();
        if (c && (c->fieldName == QLatin1String("IDSITUACAO") || c->fieldName == QLatin1String("IDDECCLIENTE")))
            dbgPadrao->removeOption(dgEditing);
        else dbgPadrao->addOption(dgEditing);
    };
    // Fields marked 1 (ANEXO) take no typing: only moving keys go through.
    dbgPadrao->onKeyPress = [this](QChar& key) {
        const Field* f = dbgPadrao->selectedField();
        if (!f || f->tag != 1) return;
        const ushort k = key.unicode();
        if (k != 9 && k != 13 && !(k >= 37 && k <= 40)) key = QChar();
    };
    dbgPadrao->onMouseMove = [attachments](Qt::KeyboardModifiers, const QPoint&) { attachments->dbgPadraoMouseMove(); };
    dbgPadrao->onMouseUp = [attachments](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos) {
        attachments->dbgPadraoMouseUp(button, pos);
    };
    dbgPadrao->onDblClick = [this, attachments] {
        const TColumn* c = dbgPadrao->selectedColumn();
        if (c && c->fieldName == QLatin1String("ANEXO")) attachments->dbgPadraoDblClick();
        else openListedProposal();
    };

    // Cells: the status and decision pictures, the row's text colour, the attachment picture.
    const auto status = [this] { return proposalListStatusOf(*cdsProposta); };
    dbgPadrao->onDrawColumnCell = [this, pictures, status, attachments](QPainter& painter, const QRect& rect,
                                                                       TColumn& column, GridDrawStates state) {
        const bool statusColumn = column.fieldName == QLatin1String("IDSITUACAO");
        if (statusColumn || column.fieldName == QLatin1String("IDDECCLIENTE")) {
            painter.fillRect(rect, painter.brush());
            if (cdsProposta->isEmpty()) return;
            const QString name = statusColumn ? proposalListPicture(status())
                                              : clientDecisionPicture((*cdsProposta)["IDDECCLIENTE"].asString());
            if (!name.isEmpty()) InsereImagem(dbgPadrao, painter, rect, pictures.value(name));
            return;
        }
        if (column.fieldName == QLatin1String("ANEXO")) {
            painter.fillRect(rect, painter.brush());
            if (!cdsProposta->isEmpty() && attachments->hasAttachments())
                InsereImagem(dbgPadrao, painter, rect, attachments->imgAnexo());
            return;
        }
        const ProposalListInk ink =
            proposalListInk(isClosed(status()), (*cdsProposta)["IDSOLPROPFAS"].asString());
        if (!(state & gdSelected) && ink != ProposalListInk::Normal)
            painter.setPen(ink == ProposalListInk::Grey ? QColor(Qt::gray) : QColor(Qt::red));
        dbgPadrao->defaultDrawColumnCell(painter, rect, column, state);
    };
}

void TfrmPropostaComercial::openListedProposal() {
    if (!cdsProposta->active() || cdsProposta->isEmpty() || pgcPadrao->activePage() != tshPadrao) return;
    pgcPadrao->selectByUser(pages_.tshProposta);  // as a click on the form's tab
}

void TfrmPropostaComercial::sbtProcurarClick() {
    if (activeTable() != cdsProposta || !cdsProposta->active()) return TfrmPadraoGrid::sbtProcurarClick();
    // The column the cursor is on when the find offers it, else the name people look for.
    const TColumn* c = dbgPadrao->selectedColumn();
    const Field* f = c ? cdsProposta->findField(c->fieldName) : nullptr;
    const bool offered = f && f->visible && !f->label().trimmed().isEmpty() && !f->onGetText &&
                         (f->dataType() == FieldType::String || f->dataType() == FieldType::FixedString);
    Procurar::Procura(*cdsProposta, offered ? c->fieldName : QStringLiteral("NOME"));
}

void TfrmPropostaComercial::restoreListWidths() {
    const QString op = Session::instance().operatorCode();
    if (op.isEmpty()) return;
    std::optional<SettingVariables> widths;
    try {
        widths = SettingsStore().load(kWidthsScreen, op, kWidthsSet);
    } catch (const std::exception&) {
        return;  // unreadable settings: the standard widths
    }
    if (!widths) return;
    for (const SettingVariable& v : *widths) {
        bool ok = false;
        const int width = v.second.toInt(&ok);
        if (TColumn* c = dbgPadrao->columnOf(v.first); c && ok && width > 0 && width <= 2000) c->width = width;
    }
    dbgPadrao->columnsChanged();
    // The saved order; a column the list no longer has is passed over, and a column not
    // saved (new in the list) keeps its place after the saved ones.
    QHeaderView* header = dbgPadrao->horizontalHeader();
    restoringLayout = true;
    int place = 0;
    for (const SettingVariable& v : *widths) {
        const TColumn* c = dbgPadrao->columnOf(v.first);
        if (!c) continue;
        const int from = header->visualIndex(c->index);
        if (from != place) header->moveSection(from, place);
        ++place;
    }
    restoringLayout = false;
}

void TfrmPropostaComercial::saveListWidths() {
    if (!listWidthsChanged_) return;
    const QString op = Session::instance().operatorCode();
    if (op.isEmpty()) return;
    SettingVariables widths;
    const QHeaderView* header = dbgPadrao->horizontalHeader();
    for (int place = 0; place < header->count(); ++place) {
        if (const TColumn* c = dbgPadrao->column(header->logicalIndex(place)))
            widths << SettingVariable{c->fieldName, QString::number(c->width)};
    }
    try {
        SettingsStore().save(kWidthsScreen, op, kWidthsSet, widths);
        listWidthsChanged_ = false;
    } catch (const UserError&) {
        // Widths are a convenience: a settings folder that cannot be written costs nothing else.
    }
}

}  // namespace cot
