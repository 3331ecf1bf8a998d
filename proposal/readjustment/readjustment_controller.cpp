// Controls, host queries, lookups and words of the readjustment indexes.
#include "proposal/readjustment/readjustment_controller.h"

#include <QGridLayout>
#include <QLabel>
#include <functional>

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/bound_edit.h"
#include "proposal/header/header_controller.h"
#include "proposal/header/lookup_query.h"
#include "services/local_query.h"
#include "ui/containers.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/lookup_button.h"

namespace cot {

namespace {

const char* const kMonths[] = {"Janeiro", "Fevereiro", "Março",    "Abril",   "Maio",     "Junho",
                               "Julho",   "Agosto",    "Setembro", "Outubro", "Novembro", "Dezembro"};

// Both index queries: the same text, with their own condition.
void indexQuery(TADOIBQuery& q, const char* condition) {
    q.clearSql();
    for (const char* line : {"SELECT", "   CDINDICE||CDTPINDICE AS CDCHAVE, CDTPINDICE,  IDPERVALOR, CDINDICE, ",
                             "   SGINDICE, NMINDICE, DTULTATUINDI", "FROM ", "   INDICE", "WHERE", condition,
                             "ORDER BY", "   CDINDICE"})
        q.addSql(QString::fromUtf8(line));
    q.addField(QStringLiteral("CDCHAVE"), FieldType::String, 5).visible = false;
    q.addField(QStringLiteral("CDINDICE"), FieldType::String, 4).displayLabel = QStringLiteral("Código");
    q.addField(QStringLiteral("CDTPINDICE"), FieldType::String, 1).displayLabel = QStringLiteral("Tipo");
    q.addField(QStringLiteral("IDPERVALOR"), FieldType::String, 1).visible = false;
    q.addField(QStringLiteral("SGINDICE"), FieldType::String, 5).visible = false;
    q.addField(QStringLiteral("NMINDICE"), FieldType::String, 30).displayLabel = QStringLiteral("Nome");
    q.addField(QStringLiteral("DTULTATUINDI"), FieldType::DateTime).visible = false;
}

}  // namespace

ReadjustmentController::ReadjustmentController(AreaHost& host, HeaderController& header)
    : ProposalArea(host), h_(header), cdsProposta_(&host.proposal()) {
    defineQueries();
    header.attachReadjustment(*this);
}

void ReadjustmentController::build() {
    attachDisplayHandlers();
    attachEvents();
}

void ReadjustmentController::load(const ProposalKey&) { Controla_Faturamento(); }

Field& ReadjustmentController::f(const char* name) const { return (*cdsProposta_)[QString::fromLatin1(name)]; }

bool ReadjustmentController::editing() const { return cdsProposta_->isEditing(); }

void ReadjustmentController::defineQueries() {
    indexQuery(qryPesqIndice, "   ((CDINDICE = :P_CDINDICE) OR ('T' = :P_TCDINDICE))");
    indexQuery(qryVerifTpIndiceReaj, "   (CDINDICE = :P_CDINDICE) AND (CDTPINDICE = :P_CDTPINDICE)");
    dtsIndice = new DataSource(QStringLiteral("dtsIndice"), &host_.dialogParent());
    dtsIndice->setDataSet(&qryPesqIndice.table());
}

void ReadjustmentController::focusMonth() const { HeaderController::focus(dbcMesReaj); }

void ReadjustmentController::layInto(TGroupBox& parent) {
    TGroupBox* group = &parent;
    DataSource* src = host_.proposalSource();
    dbeInd1 = boundEdit("dbeInd1", group, src, "CDINDICE1", ControlColor::InfoBk);
    btnPesqInd1 = new TBtnPesquisa(QStringLiteral("btnPesqInd1"), group, QStringLiteral("Índice 1"),
                                   QStringLiteral("Não há indice cadastrado"));
    dbeIndTp1 = boundEdit("dbeIndTp1", group, src, "CDTPINDICE1", ControlColor::InfoBk);
    dbeNmIndiceReaj1 = boundEdit("dbeNmIndiceReaj1", group, src, "NMINDICEREAJ1", ControlColor::BtnFace, true);
    dbePercent1 = boundEdit("dbePercent1", group, src, "VRPEINCIND1", ControlColor::InfoBk);
    dbeInd2 = boundEdit("dbeInd2", group, src, "CDINDICE2", ControlColor::Window);
    btnPesqInd2 = new TBtnPesquisa(QStringLiteral("btnPesqInd2"), group, QStringLiteral("Índice 2"),
                                   QStringLiteral("Não há índice cadastrado"));
    dbeTpInd2 = boundEdit("dbeTpInd2", group, src, "CDTPINDICE2", ControlColor::Window);
    dbeNmIndiceReaj2 = boundEdit("dbeNmIndiceReaj2", group, src, "NMINDICEREAJ2", ControlColor::BtnFace, true);
    dbePercent2 = boundEdit("dbePercent2", group, src, "VRPEINCIND2", ControlColor::Window);
    cbbReajuste = new TDBComboBox(QStringLiteral("cbbReajuste"), group);
    cbbReajuste->setDataSource(src);
    cbbReajuste->setDataField(QStringLiteral("IDTPREAJPROP"));
    cbbReajuste->setItems({h_.msg(QStringLiteral("Anual")), h_.msg(QStringLiteral("Bienal"))});
    cbbReajuste->setColor(ControlColor::InfoBk);
    dbcMesReaj = new TDBComboBox(QStringLiteral("dbcMesReaj"), group);
    dbcMesReaj->setDataSource(src);
    dbcMesReaj->setDataField(QStringLiteral("NRMESREAJPROP"));
    QStringList months;
    for (const char* m : kMonths) months << h_.msg(QString::fromUtf8(m));
    dbcMesReaj->setItems(months);
    dbcMesReaj->setColor(ControlColor::InfoBk);
    btnPesqInd1->dataSource = dtsIndice;
    btnPesqInd2->dataSource = dtsIndice;

    auto* g = new QGridLayout(group);
    g->setContentsMargins(4, 2, 4, 2);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(3);
    const auto label = [group](const QString& text) {
        auto* l = new QLabel(text, group);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    const auto indexRow = [&](int r, const QString& caption, TDBEdit* code, TBtnPesquisa* button, TDBEdit* type,
                              TDBEdit* name, TDBEdit* percent) {
        code->setFixedWidth(56);
        type->setFixedWidth(32);
        percent->setFixedWidth(64);
        g->addWidget(label(caption), r, 0);
        g->addWidget(code, r, 1);
        g->addWidget(button, r, 2);
        g->addWidget(label(QStringLiteral("Tipo")), r, 3);
        g->addWidget(type, r, 4);
        g->addWidget(name, r, 5);
        g->addWidget(label(QStringLiteral("%")), r, 6);
        g->addWidget(percent, r, 7);
    };
    indexRow(0, QStringLiteral("Índice 1"), dbeInd1, btnPesqInd1, dbeIndTp1, dbeNmIndiceReaj1, dbePercent1);
    indexRow(1, QStringLiteral("Índice 2"), dbeInd2, btnPesqInd2, dbeTpInd2, dbeNmIndiceReaj2, dbePercent2);
    g->addWidget(label(QStringLiteral("Reajuste")), 0, 8);
    g->addWidget(cbbReajuste, 0, 9);
    g->addWidget(label(QStringLiteral("Mês de Reajuste")), 1, 8);
    g->addWidget(dbcMesReaj, 1, 9);
    g->setColumnStretch(5, 1);
    cbbReajuste->setMinimumWidth(110);
    dbcMesReaj->setMinimumWidth(110);
}

void ReadjustmentController::attachEvents() {
    const auto whileEditing = [this](std::function<void()> body) {
        return [this, body = std::move(body)] {
            if (editing()) body();
        };
    };
    dbeInd1->onExit = whileEditing([this] { Vd_IndiceReaj1(false); });
    dbeIndTp1->onExit = whileEditing([this] { Vd_TpIndiceReaj1(false); });
    dbeInd2->onExit = whileEditing([this] { Vd_IndiceReaj2(false); });
    dbeTpInd2->onExit = whileEditing([this] { Vd_TpIndiceReaj2(false); });
    dbePercent1->onExit = [this] { Vd_PercInd1(false); };
    // Typing a code or type takes the old index name away; a code put in by a lookup
    // comes with its name and keeps it.
    const auto clearName = [this](TDBEdit* edit, const char* field) {
        return [this, edit, field] {
            if (editing() && edit->modified() && !f(field).isNull()) f(field).clear();
        };
    };
    dbeInd1->onChange = clearName(dbeInd1, "NMINDICEREAJ1");
    dbeIndTp1->onChange = clearName(dbeIndTp1, "NMINDICEREAJ1");
    dbeInd2->onChange = clearName(dbeInd2, "NMINDICEREAJ2");
    dbeTpInd2->onChange = clearName(dbeTpInd2, "NMINDICEREAJ2");
    dbePercent1->onKeyPress = dbePercent1KeyPress;
    dbePercent2->onKeyPress = dbePercent1KeyPress;
    btnPesqInd1->onBeforePesq = [this] { btnPesqInd1BeforePesq(); };
    btnPesqInd1->onAfterPesq = [this] { btnPesqInd1AfterPesq(); };
    btnPesqInd2->onBeforePesq = [this] { btnPesqInd2BeforePesq(); };
    btnPesqInd2->onAfterPesq = [this] { btnPesqInd2AfterPesq(); };
}

void ReadjustmentController::btnPesqInd1BeforePesq() {
    runLookup(qryPesqIndice, "P_CDINDICE", QString(), "P_TCDINDICE", true);
}

void ReadjustmentController::btnPesqInd2BeforePesq() {
    btnPesqInd1BeforePesq();
    useIndexTwo(true);
}

void ReadjustmentController::copyChosenIndex(int which) {
    if (cdsProposta_->state() == DataSetState::Browse) cdsProposta_->edit();
    const TADOIBQuery& q = qryPesqIndice;
    f(which == 1 ? "CDTPINDICE1" : "CDTPINDICE2").setValue(q.fieldByName(QStringLiteral("CDTPINDICE")).value());
    f(which == 1 ? "NMINDICEREAJ1" : "NMINDICEREAJ2").setValue(q.fieldByName(QStringLiteral("NMINDICE")).value());
    f(which == 1 ? "IDPERVALOR1" : "IDPERVALOR2").setValue(q.fieldByName(QStringLiteral("IDPERVALOR")).value());
    f(which == 1 ? "CDINDICE1" : "CDINDICE2").setValue(q.fieldByName(QStringLiteral("CDINDICE")).value());
}

void ReadjustmentController::btnPesqInd1AfterPesq() { copyChosenIndex(1); }

void ReadjustmentController::btnPesqInd2AfterPesq() { copyChosenIndex(2); }

void ReadjustmentController::dbePercent1KeyPress(QChar& key) {
    const ushort c = key.unicode();
    if (key.isDigit() || c == '.' || c == 8 || c == 9 || c == 27) return;
    key = QChar();
}

void ReadjustmentController::attachDisplayHandlers() {
    Field& kind = f("IDTPREAJPROP");
    kind.onGetText = [this](Field& field, bool) {
        const QString code = field.asString();
        if (code == QLatin1String("A")) return h_.msg(QStringLiteral("Anual"));
        if (code == QLatin1String("B")) return h_.msg(QStringLiteral("Bienal"));
        return QString();
    };
    kind.onSetText = [this](Field& field, const QString& text) {
        if (text == h_.msg(QStringLiteral("Anual"))) field.setAsString(QStringLiteral("A"));
        else if (text == h_.msg(QStringLiteral("Bienal"))) field.setAsString(QStringLiteral("B"));
    };
    Field& month = f("NRMESREAJPROP");
    month.onGetText = [this](Field& field, bool) {
        bool ok = false;
        const int n = field.asString().trimmed().toInt(&ok);
        if (!ok || field.asString().trimmed().size() != 2 || n < 1 || n > 12) return QString();
        return h_.msg(QString::fromUtf8(kMonths[n - 1]));
    };
    month.onSetText = [this](Field& field, const QString& text) {
        for (int i = 0; i < 12; ++i)
            if (text == h_.msg(QString::fromUtf8(kMonths[i]))) field.setAsString(QString::asprintf("%02d", i + 1));
    };
}

}  // namespace cot
