#include "dialogs/report/report_launcher.h"

#include <QComboBox>
#include <stdexcept>

#include "data/client_table.h"
#include "dialogs/report/proposal_report_data.h"
#include "dialogs/report/proposal_report_html.h"
#include "reach/proposal_reach.h"
#include "screens/report_store.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

namespace {

const QString kReportCode = QStringLiteral("COT050");
const QString kMessages = QStringLiteral(":/cot05001/cot05001_messages.txt");
const char* const kParams[][2] = {
    {"P_CDFILIAL", "CDFILIAL"}, {"P_NRPROPOSFAS", "NRPROPOSFAS"}, {"P_NRVERPROPFAS", "NRVERPROPFAS"}};

QString titleKey(const QString& contract, const QString& language) {
    const QString c = contract.trimmed().toUpper();
    if (c != QLatin1String("M") && c != QLatin1String("L") && c != QLatin1String("S")) return {};
    const bool spanish = language.trimmed().compare(QLatin1String("ESP"), Qt::CaseInsensitive) == 0;
    return QStringLiteral("TIT_%1_%2").arg(c, spanish ? QStringLiteral("ESP") : QStringLiteral("POR"));
}

QString paramValue(const ReportParams& params, const QString& name) {
    for (const ReportParam& p : params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) return p.value;
    return {};
}

}  // namespace

TfrmRelPropostaComercial::TfrmRelPropostaComercial(ProposalReach& screen, QWidget* parent)
    : TfrmDadosGerRel(QStringLiteral("COT05001"), QStringLiteral("Relatório da Proposta Comercial"), kReportCode,
                      parent),
      screen_(screen) {
    setObjectName(QStringLiteral("frmRelPropostaComercial"));
    msgPadrao.loadFromFile(kMessages);
    // The report follows the proposal: the user does not pick another one.
    cbbReportNames->setEnabled(false);
    rpddPadrao.onBeforeGetQueryParams = [this](ReportParams& params) { rpddPadraoBeforeGetQueryParams(params); };
    rpddPadrao.render = [this](const ReportDefinition& report, const ReportParams& params) {
        return renderReport(report, params);
    };
    resize(460, 120);
}

void TfrmRelPropostaComercial::FormActivate() {
    TfrmDadosGerRel::FormActivate();
    const ClientTable& p = screen_.proposal();
    const QString title = p.active() && !p.isEmpty()
                              ? reportTitle(p[QStringLiteral("IDTIPOPROPFAS")].asString(),
                                            p[QStringLiteral("IDIDIOMA")].asString())
                              : QString();
    cbbReportNames->setCurrentIndex(title.isEmpty() ? -1 : RecebeIndex(title));
}

int TfrmRelPropostaComercial::RecebeIndex(const QString& title) const {
    return cbbReportNames->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

QString TfrmRelPropostaComercial::reportTitle(const QString& contract, const QString& language) const {
    const QString key = titleKey(contract, language);
    return key.isEmpty() ? QString() : msgPadrao.Msg(key);
}

void TfrmRelPropostaComercial::rpddPadraoBeforeGetQueryParams(ReportParams& params) {
    const ClientTable& p = screen_.proposal();
    if (!p.active() || p.isEmpty()) return;
    for (const auto& [param, field] : kParams) {
        const QString name = QString::fromLatin1(param);
        if (ParamListHas(params, name)) setParamText(params, name, p[QString::fromLatin1(field)].asString().trimmed());
    }
}

QString TfrmRelPropostaComercial::pdfFileName() const {
    const ClientTable& p = screen_.proposal();
    if (!p.active() || p.isEmpty()) return {};
    QString number = p["NRPROPOSFAS"].asString().trimmed();
    while (number.size() > 1 && number.startsWith(u'0')) number.remove(0, 1);
    const QString version = p["NRVERPROPFAS"].asString().trimmed();
    // Keys are digits; anything else would not make a safe file name.
    for (const QChar c : number + version)
        if (!c.isDigit()) return {};
    return QStringLiteral("Proposta %1-%2.pdf").arg(number, version);
}

QString TfrmRelPropostaComercial::renderReport(const ReportDefinition& report, const ReportParams& params) {
    rpddPadrao.pageFooter = nullptr;  // a layout of the store prints as it is
    if (!report.body.trimmed().isEmpty()) return TReportDialog::fillTemplate(report.body, params);
    // A parameter the report does not declare is the current proposal's.
    const ClientTable& p = screen_.proposal();
    const auto value = [&](int i) {
        const QString given = paramValue(params, QString::fromLatin1(kParams[i][0]));
        return given.isEmpty() && p.active() && !p.isEmpty() ? p[QString::fromLatin1(kParams[i][1])].asString() : given;
    };
    HourGlass hourGlass;
    const ProposalDocument data = readProposalReport(screen_.net(), value(0), value(1), value(2), msgPadrao);
    rpddPadrao.pageFooter = [this, data](int page, int pages) { return proposalPageFooter(data, msgPadrao, page, pages); };
    return proposalReportHtml(data, report.title, msgPadrao);
}

namespace Cli_cot05001 {

void registerReports() {
    TMessages titles;
    titles.loadFromFile(kMessages);
    const QStringList params{QStringLiteral("P_CDFILIAL"), QStringLiteral("P_NRPROPOSFAS"), QStringLiteral("P_NRVERPROPFAS")};
    for (const char* contract : {"M", "L", "S"})
        for (const char* language : {"POR", "ESP"}) {
            ReportDefinition r;
            r.code = kReportCode;
            r.title = titles.Msg(titleKey(QString::fromLatin1(contract), QString::fromLatin1(language)));
            r.params = params;
            ReportStore::instance().registerReport(r);
        }
}

void CriaRelPropostaComercial(ProposalReach& screen) {
    registerReports();
    QPointer<TfrmRelPropostaComercial> launcher;
    {
        HourGlass hourGlass;
        launcher = createForm<TfrmRelPropostaComercial>(screen, &screen.dialogParent());
    }
    const ModalOnce<TfrmRelPropostaComercial> once(launcher);
    launcher->ShowModal();
}

}  // namespace Cli_cot05001

}  // namespace cot
