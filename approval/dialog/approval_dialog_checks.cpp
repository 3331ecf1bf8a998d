// The checks the approval runs before anything is written, in their order.
#include <QLocale>

#include "approval/confirmation/acceptance_confirmation.h"
#include "approval/dialog/approval_dialog.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/load_bpl.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/edits.h"

namespace cot {

namespace {

QDateTime midnightOf(const QDate& d) { return QDateTime(d, QTime(0, 0)); }
QString shortDate(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

}  // namespace

QDate TfrmAprovacao::approvalDate() {
    bool blank = false;
    QDate date;
    try {
        date = readTypedDate(depDataCadIni->text(), &blank);
    } catch (...) {
        depDataCadIni->setFocus();
        throw;
    }
    if (blank || !date.isValid()) fail(QStringLiteral("Data_Inf"), depDataCadIni);
    return date;
}

void TfrmAprovacao::checkProspectFields() {
    if (!grbProspect->isEnabled()) return;
    if (medInscricao->text().trimmed().isEmpty()) fail(QStringLiteral("Insc_Inf"), medInscricao);
    if (medRazSocClie->text().trimmed().isEmpty()) fail(QStringLiteral("RazSoc_Inf"), medRazSocClie);
    if (medNmFantClie->text().trimmed().isEmpty()) fail(QStringLiteral("FantClie_Inf"), medNmFantClie);
}

void TfrmAprovacao::checkClientRegister(QString& personKind) {
    QString inscription = QStringLiteral("C") + medInscricao->text();
    personKind = Consiste::Ajusta_Inscricao(inscription);
    ProposalReach& s = screen_;
    const bool taken =
        s.net().callChecked(QStringLiteral("GetClienteCadastrado"), {inscription, personKind}).toBool();
    if (taken) fail(QStringLiteral("CLI_JA_CAD"), medInscricao);
}

void TfrmAprovacao::copyLines() {
    cdsLinhaProduto->setFiltered(false);
    cdsLinhaProduto->setFilter(QString());
    // The screen's lines when they are this proposal's (the launch has just read them),
    // else the server's: the page in view decides nothing here.
    ProposalReach& s = screen_;
    const ClientTable& lines = s.productLines();
    const bool current = lines.active() && !lines.isEmpty() && !lines.isEditing() &&
                         lines[QStringLiteral("NRPROPOSFAS")].asString() == nr_ &&
                         lines[QStringLiteral("NRVERPROPFAS")].asString() == ver_;
    cdsLinhaProduto->setData(current ? lines.data() : s.net().getPacket(QStringLiteral("GetLinProd"), {nr_, ver_}));
}

void TfrmAprovacao::checkGraceMonths(const QDate& date) {
    copyLines();
    if (!cdsErroCarencia->active()) cdsErroCarencia->createDataSet();
    cdsErroCarencia->emptyDataSet();
    ClientTable& t = *cdsLinhaProduto;
    for (t.first(); !t.eof(); t.next()) {
        const QDateTime grace = t[QStringLiteral("DTCALUSLINPP")].asDateTime();
        if (!grace.isValid() || grace.date() >= date) continue;
        cdsErroCarencia->append();
        for (const char* f : {"CDLINPPROPINFOR", "NMLINPPROP", "MENSCALUSLINPP"})
            (*cdsErroCarencia)[QString::fromLatin1(f)].setAsString(t[QString::fromLatin1(f)].asString());
        // The month as the line shows it, when the line has not written it itself.
        if ((*cdsErroCarencia)[QStringLiteral("MENSCALUSLINPP")].asString().trimmed().isEmpty())
            (*cdsErroCarencia)[QStringLiteral("MENSCALUSLINPP")].setAsString(grace.date().toString(QStringLiteral("MM/yyyy")));
        cdsErroCarencia->post();
    }
    if (cdsErroCarencia->isEmpty()) return;
    cdsErroCarencia->first();
    try {
        LoadBPL(QStringLiteral("COT00900"),
                {tableReference(*cdsErroCarencia), msgPadrao.Msg(QStringLiteral("DTCALU<DTACE")), true});
    } catch (...) {
        cdsErroCarencia->emptyDataSet();
        throw;
    }
    cdsErroCarencia->emptyDataSet();
    throw Abort();
}

void TfrmAprovacao::checkLicenceDueDates(const QDate& date) {
    ProposalReach& s = screen_;
    const QVariantList answer =
        s.net().callChecked(QStringLiteral("GetMinDtVenc"), {nr_, ver_, midnightOf(date)}).toList();
    cdsMinDtVenc->setData(answer.value(0).value<Packet>());
    cdsErroDtVenc->setData(answer.value(1).value<Packet>());
    if (!cdsErroDtVenc->isEmpty()) {
        cdsErroDtVenc->first();
        LoadBPL(QStringLiteral("COT00900"), {tableReference(*cdsErroDtVenc),
                                             msgPadrao.Msg(QStringLiteral("DTVENC_ACE"), {shortDate(date)}), true});
        throw Abort();
    }
    if (cdsMinDtVenc->isEmpty()) return;  // no installment yet: nothing due soon
    cdsMinDtVenc->first();
    const QDateTime first = (*cdsMinDtVenc)[QStringLiteral("DTVELUSOPEDP")].asDateTime();
    if (first.isValid() && date.addDays(15) > first.date() &&
        msgPadrao.ShowMsgAlert(QStringLiteral("VENC_ACE"), DialogType::Information,
                               {QStringLiteral("CONFIRMA"), QStringLiteral("CANCELA")}) != 10)
        throw Abort();
}

void TfrmAprovacao::checkServiceDueDates(const QDate& date) {
    ProposalReach& s = screen_;
    const QVariantList answer =
        s.net().callChecked(QStringLiteral("GetMinDtVenc"), {nr_, ver_, midnightOf(date)}).toList();
    cdsMinDtVencServ->setData(answer.value(2).value<Packet>());
    if (cdsMinDtVencServ->isEmpty()) {
        // No package installment: a package proposal with no services has nothing due,
        // one with services but no schedule is refused.
        const Packet services = s.net().getPacket(QStringLiteral("GetServico"), {nr_, ver_});
        if (services.isEmpty()) return;
        fail(QStringLiteral("DTVENCSERV_ACE"), depDataCadIni, {shortDate(date)});
    }
    cdsMinDtVencServ->first();
    const QDateTime first = (*cdsMinDtVencServ)[QStringLiteral("DTVENCSERVPROP")].asDateTime();
    if (!first.isValid() || date > first.date())
        fail(QStringLiteral("DTVENCSERV_ACE"), depDataCadIni, {shortDate(date)});
    if (date.addDays(15) > first.date() &&
        msgPadrao.ShowMsgAlert(QStringLiteral("VENC_ACESERV"), DialogType::Information,
                               {QStringLiteral("CONFIRMA"), QStringLiteral("CANCELA")}) != 10)
        throw Abort();
}

int TfrmAprovacao::installmentCount(const QString& line) {
    const auto known = installments_.constFind(line);
    if (known != installments_.constEnd()) return *known;
    ProposalReach& s = screen_;
    cdsVencLinha->setData(
        s.net().getPacket(QStringLiteral("GetVenc_Valor"), {nr_, ver_, line, 1}));
    const int n = cdsVencLinha->recordCount();
    installments_.insert(line, n);
    // What the acceptance charges for the line: its installments as stored, to the cent.
    long double charged = 0;
    for (int r = 0; r < n; ++r) {
        ClientTable::RowView view(*cdsVencLinha, r);
        charged += static_cast<long double>((*cdsVencLinha)[QStringLiteral("VRVELUSOPEDP")].asFloat());
    }
    charged_.insert(line, static_cast<double>(charged));
    return n;
}

bool TfrmAprovacao::confirmLines() {
    copyLines();
    cdsLinhaProduto->setFilter(QStringLiteral("VRLICENCUSOPROP <> '0' AND QTMINIMAFATPROP <> '0'"));
    cdsLinhaProduto->setFiltered(true);
    ClientTable& t = *cdsLinhaProduto;
    // Each line's installments are read once; its value is then their sum.
    installments_.clear();
    charged_.clear();
    QStringList lines;
    for (int r = 0; r < t.rowCount(); ++r) {
        ClientTable::RowView view(t, r);
        lines << t[QStringLiteral("CDLINPPROP")].asString();
    }
    for (const QString& line : lines) installmentCount(line);
    exTotalLinhas = 0;
    for (int r = 0; r < t.rowCount(); ++r) {
        ClientTable::RowView view(t, r);
        exTotalLinhas += static_cast<long double>(t[QStringLiteral("VRLINPROD")].asFloat());
    }
    t.first();
    return Cli_cot05006::CriaConfAceite(t, msgPadrao.Msg(QStringLiteral("INF_PROD_ACEITE")), this) == mrYes;
}

}  // namespace cot
