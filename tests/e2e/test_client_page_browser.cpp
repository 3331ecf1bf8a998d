// The client's page in a real browser: the real cot05000-server over a fresh demo
// database sends a proposal to the client (EnviarAoCliente), the mail is caught by a real
// SMTP receiver, and headless Chromium (tests/e2e/client_page_browser.py, through
// selenium) opens the link the mail carried, reads the proposal, takes the pictures of
// docs/screenshots at desktop and phone size and accepts it. Then the decision is read
// back as the database and the desktop see it, and an expired link says so.
//
// The pictures go to a temporary folder, or to COT_SCREENSHOTS_DIR when it is set
// (scripts/screenshots.sh).
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "data/format_br.h"
#include "server/storage/database.h"
#include "support/screen_widgets.h"
#include "support/server_process.h"
#include "support/shell_process.h"
#include "support/small_pdf.h"
#include "support/smtp_receiver.h"

using cot::Packet;
using namespace cot::testing;

namespace {

const QString kNr = QStringLiteral("00000000000000000002");
const QString kKey = QStringLiteral("NRPROPOSFAS = '00000000000000000002' AND NRVERPROPFAS = '01'");
const QString kClientName = QStringLiteral("Márcia Cliente");
const QString kClientRole = QStringLiteral("Diretora Financeira");
// Debian's interpreter, where python3-selenium lives, before any other on the path.
const QString kPython = QFileInfo::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";

// What a run of `program` printed (both channels), and its exit code (-1: it did not end in time).
std::pair<int, QString> runProcess(const QString& program, const QStringList& arguments, int ms = 30000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(5000);
        return {-1, QString::fromUtf8(p.readAll()) + "\n(o navegador não terminou a tempo)"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// What is missing to drive the browser; empty when everything is installed.
QString missingBrowser() {
    QStringList missing;
    if (!QFileInfo::exists("/usr/bin/chromium")) missing << "chromium";
    if (!QFileInfo::exists("/usr/bin/chromedriver")) missing << "chromium-driver";
    if (runProcess(kPython, {"-c", "import selenium"}).first != 0) missing << "python3-selenium";
    return missing.join(", ");
}

// The link to the client's page a mail's text part carries; empty when none.
QString linkIn(const ReceivedMail& mail) {
    for (const auto& part : mail.parts)
        if (part.type == QLatin1String("text/plain"))
            return QRegularExpression(R"(https?://\S+/cliente/[A-Za-z0-9_-]{43})").match(part.text).captured(0);
    return {};
}

}  // namespace

TEST(ClientPageBrowser, TheClientReadsAndAcceptsTheProposalAndTheDesktopSeesTheDecision) {
    const QString missing = missingBrowser();
    ASSERT_TRUE(missing.isEmpty()) << "faltam pacotes para o teste no navegador: " << missing.toStdString()
                                   << " (instale com scripts/deps.sh)";
    cot::testing::ensureApplication();  // the server's binary is found next to this test; QPdfWriter

    SmtpReceiver receiver;
    ASSERT_GT(receiver.port(), 0);
    ServerProcess server;
    ASSERT_GT(server.port(), 0);
    const auto db = cot::server::Database::open(server.databaseUrl());
    db->exec("UPDATE ENDEFILI SET DSSMTPEMAILF = :A WHERE CDFILIAL = '0001' AND IDTPENDEFILI = 'P'", {{"A", receiver.address()}});
    // A text typed in the editor that looks like markup (stored escaped, as the editor keeps
    // it), and one stored as raw markup: both reach the client as text and run nothing.
    for (const auto& [order, text] : {std::pair{1, "<p>&lt;script&gt;document.title='pwned';window.pwned=1&lt;/script&gt;</p>"},
                                      std::pair{2, "<script>document.title='pwned';window.pwned=1</script>"}})
        ASSERT_EQ(db->exec("UPDATE TXTPROPFAS SET TXPROPFAS = :T WHERE NRORDEMMSG = :O AND " + kKey, {{"T", text}, {"O", order}}), 1);
    db->exec("UPDATE PROPOSTAFAS SET DTVALPROPFAS = :D WHERE " + kKey,
             {{"D", QDateTime(QDate::currentDate().addDays(20), QTime(0, 0))}});

    const QString session = server.openSession("VENDEDOR", "vendedor");
    const QString pdf = QString::fromLatin1(cot::testing::smallPdf("Proposta 2/01").toBase64());
    // The first sending's link is made to expire; the client opens the second one's.
    for (int sending = 1; sending <= 2; ++sending)
        ASSERT_TRUE(server.call("EnviarAoCliente", {kNr, "01", "cliente@exemplo.com.br", pdf}, session).ok);
    ASSERT_TRUE(receiver.waitForMessages(2, 15000)) << "a mensagem ao cliente não chegou";
    const QStringList links{linkIn(receiver.messages().at(0)), linkIn(receiver.messages().at(1))};
    ASSERT_FALSE(links.contains(QString())) << "a mensagem não traz o link da página";
    EXPECT_TRUE(receiver.messages().at(1).rcptTos.contains("cliente@exemplo.com.br"));
    const QDate yesterday = QDate::currentDate().addDays(-1);
    ASSERT_EQ(db->exec("UPDATE ENVIOPROP SET DTEXPIRA = :D WHERE NRENVIO = 1 AND " + kKey, {{"D", yesterday}}), 1);

    // The grand total as the server figures it and the report prints it: the licence
    // (its installments) plus the services; the monthly fee is not part of it.
    const Packet figures = server.call("GetTotaisProposta", {kNr, "01"}, session).value.value<Packet>();
    ASSERT_FALSE(figures.isEmpty());
    const QString expectedTotal = "R$ " + cot::formatMoney(static_cast<long double>(figures.value(0, "VRLICENCA").toDouble()) +
                                                           figures.value(0, "VRSERVICOS").toDouble());

    QTemporaryDir scratch;
    const QString shots = qEnvironmentVariable("COT_SCREENSHOTS_DIR", scratch.filePath("shots"));
    const auto [exitCode, output] = runProcess(
        kPython, {sourcePath("tests/e2e/client_page_browser.py"), "--link", links[1], "--total", expectedTotal, "--shots",
                  shots, "--nome", kClientName, "--cargo", kClientRole, "--expired-link", links[0], "--expired-date",
                  yesterday.toString("dd/MM/yyyy")},
        180000);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    for (const char* picture : {"client_page_desktop.png", "client_page_phone.png"})
        EXPECT_TRUE(QFileInfo(QDir(shots).filePath(QString::fromLatin1(picture))).size() > 0) << picture;

    // One decision, as the client typed it, from the browser, for the content shown (the
    // content accepted is the content sent), on the second sending.
    const Packet decision = db->query(
        "SELECT D.IDDECISAO, D.NMRESPDECISAO, D.DSCARGODECISAO, D.NRENVIO, D.DSNAVEGADOR, D.TXHASHCONT, "
        "E.TXHASHCONT AS ENVIADO FROM DECISAOPROP D JOIN ENVIOPROP E ON E.NRPROPOSFAS = D.NRPROPOSFAS AND "
        "E.NRVERPROPFAS = D.NRVERPROPFAS AND E.NRENVIO = D.NRENVIO WHERE D." + kKey.split(" AND ").join(" AND D."));
    ASSERT_EQ(decision.rows.size(), 1) << output.toStdString();
    const QVariantList& d = decision.rows[0];
    EXPECT_EQ((QStringList{d[0].toString().trimmed(), d[1].toString(), d[2].toString(), d[3].toString()}),
              (QStringList{"A", kClientName, kClientRole, "2"}));
    EXPECT_TRUE(d[4].toString().contains("Chrome") && d[5] == d[6] &&
                QRegularExpression("^[0-9a-f]{64}$").match(d[5].toString()).hasMatch())
        << d[4].toString().toStdString() << " " << d[5].toString().toStdString();

    // The desktop's list (the shell's cdsProposta, read from GetProposta) carries the decision.
    QTemporaryDir home;
    const QString scenario = home.filePath(QStringLiteral("decisao.scn"));
    QFile file(scenario);
    ASSERT_TRUE(
        file.open(QIODevice::WriteOnly) &&
        file.write(
            "signin VENDEDOR vendedor 0001\nopen Pkg_cot05000\nselect dbgPadrao DSREFEPROPOSFAS \"ERP Web e serviços de "
            "implantação\"\nexpect-field cdsProposta IDDECCLIENTE A\n") > 0);
    file.close();
    const cot::testing::ShellRun shell = cot::testing::runScenario(server.databaseUrl(), server.port(), scenario, home.path());
    EXPECT_EQ(shell.exitCode, 0) << shell.all().toStdString();
}
