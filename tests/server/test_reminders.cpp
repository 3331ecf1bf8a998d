// The daily reminders of proposals about to expire: which versions each salesperson is told
// of (the branch's days, the boundaries, the closed versions left out), one message per
// salesperson, at most one reminder of a version a day (a failed message leaves nothing
// recorded, so the next run sends it), and the real binary's exit codes and summary.
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <thread>

#include "base/errors.h"
#include "server/admin/reminder_command.h"
#include "server/migrations/migrations.h"
#include "services/mail_sender.h"
#include "support/shell_process.h"
#include "support/smtp_receiver.h"
#include "support/wait_until.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

const QDate kToday(2026, 12, 6);

// Records every message; refuses those addressed to `failFor`; runs `whileSending` first.
struct Mailbox : RecordingMailSender {
    void send(const MailAccount& account, const MailMessage& message) override {
        if (whileSending) whileSending();
        if (!failFor.isEmpty() && message.to.contains(failFor)) throw UserError(QStringLiteral("Servidor recusou."));
        RecordingMailSender::send(account, message);
    }
    const MailMessage* to(const QString& address) const {
        const auto it = std::find_if(sent.begin(), sent.end(), [&](const Sent& s) { return s.message.to.contains(address); });
        return it == sent.end() ? nullptr : &it->message;
    }
    QString failFor;
    std::function<void()> whileSending;
};

// Two branches with a mail account each, three salespeople (one without an address), a
// client; proposals are added by each test.
void prepareRegisters(Database& db, const QString& smtp) {
    db.exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz'), ('0002', 'Sul')"));
    db.exec(QStringLiteral("INSERT INTO ENDEFILI (CDFILIAL, IDTPENDEFILI, DSEMAILFILI, DSSMTPEMAILF) VALUES "
                           "('0001', 'P', 'filial0001@empresa.demo', :S), ('0002', 'P', 'filial0002@empresa.demo', :S)"),
            {{"S", smtp}});
    db.exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSEMAILOPER) VALUES "
                           "('ANA', 'Ana Souza', 'ana@empresa.demo'), ('BETO', 'Beto Lima', 'beto@empresa.demo'), "
                           "('CAIO', 'Caio Dias', NULL)"));
    db.exec(QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE) "
                           "VALUES ('C1', '11222333000181', 'J', 'Padaria Pão & Cia')"));
}

struct Version {
    QString nr, ver = QStringLiteral("01"), branch = QStringLiteral("0001");
    int validInDays = 1;
    QString responsible, creator = QStringLiteral("ANA"), reference = QStringLiteral("Sistema de vendas");
    double package = 0;
    QDate today = kToday;
};

void addVersion(Database& db, const Version& v) {
    db.exec(QStringLiteral("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, CDCLIENTE, DSREFEPROPOSFAS, "
                           "DTVALPROPFAS, CDOPERINCL, CDOPERRESP, IDTIPOCOBRSERV, VRPACOTESERV) "
                           "VALUES (:NR, :VER, :FIL, 'C1', :REF, :VAL, :INCL, :RESP, 'P', :PAC)"),
            {{"NR", v.nr}, {"VER", v.ver}, {"FIL", v.branch}, {"REF", v.reference},
             {"VAL", QDateTime(v.today.addDays(v.validInDays), QTime(0, 0))}, {"INCL", v.creator},
             {"RESP", v.responsible.isEmpty() ? QVariant() : QVariant(v.responsible)}, {"PAC", v.package}});
}

QStringList listed(const MailMessage& m) {
    QStringList out;
    for (const QString& line : m.textPart.split(u'\n').filter(QRegularExpression("^- "))) out << line.mid(2).section(u' ', 0, 0);
    return out;
}

struct RemindersTest : ::testing::TestWithParam<std::string> {
    RemindersTest() : scratch_(GetParam()) {
        migrate(db());
        prepareRegisters(db(), QStringLiteral("smtp.empresa.demo"));
    }
    Database& db() { return scratch_.db(); }
    ReminderRun run(const QDate& day = kToday) { return sendReminders(db(), mail_, day); }

    ScratchDatabase scratch_;
    Mailbox mail_;
};

// A branch without a mail account fails its own salespeople only.
TEST_P(RemindersTest, ListsOpenVersionsFromYesterdayToTheBranchDays) {
    for (const auto& [nr, days] :
         std::vector<std::pair<const char*, int>>{{"10", 0}, {"11", 5}, {"12", 6}, {"13", -1}, {"14", -2}, {"15", 3}})
        addVersion(db(), {.nr = nr, .validInDays = days});
    db().exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = NULL WHERE CDFILIAL = '0002'"));
    addVersion(db(), {.nr = "51", .branch = "0002", .validInDays = 1, .responsible = "BETO"});
    // Closed versions: accepted, lost, decided by the client, superseded by an accepted one.
    for (const char* nr : {"20", "21", "22", "23"}) addVersion(db(), {.nr = nr, .validInDays = 1});
    addVersion(db(), {.nr = "23", .ver = "02", .validInDays = 30});
    for (const char* sql :
         {"UPDATE PROPOSTAFAS SET DTACEPROPFAS = :T WHERE NRPROPOSFAS = '20'",
          "INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, IDMOTIVO) VALUES ('21', '01', :T, 'P')",
          "INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, TXHASHCONT) "
          "VALUES ('22', '01', 1, 'R', :T, 'x')",
          "UPDATE PROPOSTAFAS SET DTACEPROPFAS = :T WHERE NRPROPOSFAS = '23' AND NRVERPROPFAS = '02'"})
        db().exec(QString::fromLatin1(sql), {{"T", QDateTime(kToday, QTime(9, 0))}});

    const ReminderRun r = run();
    EXPECT_TRUE(r.failures.size() == 1 && r.failures[0].contains(QStringLiteral("não tem conta de e-mail")))
        << r.failures.join(u'\n').toStdString();
    ASSERT_EQ(mail_.sent.size(), 1);
    const MailMessage& m = mail_.sent[0].message;
    // Validity order: yesterday's first, then today, then the rest up to today + 5.
    EXPECT_EQ((QStringList{m.subject, m.to.join(u','), m.from, mail_.sent[0].account.server} + listed(m)),
              (QStringList{"Propostas a vencer: 4", "ana@empresa.demo", "filial0001@empresa.demo", "smtp.empresa.demo", "13/01",
                           "10/01", "15/01", "11/01"}));
    EXPECT_EQ(std::tuple(r.mails, r.proposals, db().scalar(QStringLiteral("SELECT COUNT(*) FROM LEMBRETEPROP")).toInt()),
              std::tuple(1, 4, 4));
}

TEST_P(RemindersTest, EachBranchUsesItsOwnDaysAndEachSalespersonGetsOneMessage) {
    db().exec(QStringLiteral("UPDATE FILIAL SET NRDIASLEMBRETE = CASE CDFILIAL WHEN '0002' THEN 10 ELSE 0 END"));
    addVersion(db(), {.nr = "30", .validInDays = 0, .reference = "Loja <centro>", .package = 1500});
    addVersion(db(), {.nr = "31", .validInDays = 1});  // beyond branch 0001's zero days
    addVersion(db(), {.nr = "32", .branch = "0002", .validInDays = 10, .responsible = "BETO"});
    addVersion(db(), {.nr = "33", .branch = "0002", .validInDays = 11, .responsible = "BETO"});
    addVersion(db(), {.nr = "34", .branch = "0002", .validInDays = 2, .responsible = "BETO", .creator = "ANA"});
    addVersion(db(), {.nr = "35", .branch = "0002", .validInDays = 2, .creator = "CAIO"});

    const ReminderRun r = run();
    EXPECT_TRUE(r.ok());
    ASSERT_EQ(mail_.sent.size(), 2);
    const MailMessage *ana = mail_.to("ana@empresa.demo"), *beto = mail_.to("beto@empresa.demo");
    ASSERT_TRUE(ana && beto);
    // The responsible operator, not the creator, is told; through his proposal's branch.
    EXPECT_EQ(std::tuple(listed(*ana), listed(*beto), beto->from),
              std::tuple(QStringList{"30/01"}, QStringList{"34/01", "32/01"}, QString("filial0002@empresa.demo")));
    // CAIO has no address: skipped and said, not a failure.
    EXPECT_TRUE(r.skipped.size() == 1 && r.skipped[0].contains(QStringLiteral("CAIO"))) << r.skipped.join(u'\n').toStdString();
    // Reference, client and value in both parts; stored text escaped in the HTML one.
    EXPECT_EQ(cot::testing::missingFrom(ana->textPart, {"Padaria Pão & Cia", "R$ 1.500,00", "06/12/2026"}) +
                  cot::testing::missingFrom(ana->htmlPart, {"Loja &lt;centro&gt;", "Pão &amp; Cia"}) +
                  cot::testing::missingFrom(ana->htmlPart, {"<centro>"}, true),
              QStringList());
}

TEST_P(RemindersTest, AVersionIsRemindedOnceADayAndAFailedMessageIsRetried) {
    addVersion(db(), {.nr = "40", .validInDays = 2});
    addVersion(db(), {.nr = "41", .validInDays = 3, .responsible = "BETO"});
    mail_.failFor = QStringLiteral("beto@empresa.demo");

    const ReminderRun first = run();
    ASSERT_EQ(std::pair(first.mails, first.failures.size()), std::pair(1, qsizetype(1)));
    EXPECT_TRUE(first.failures[0].contains(QStringLiteral("BETO")) && first.failures[0].contains(QStringLiteral("41/01")))
        << first.failures[0].toStdString();
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM LEMBRETEPROP WHERE NRPROPOSFAS = '41'")).toInt(), 0);

    // Same day: Ana's is not sent again; Beto's, failed before, goes now.
    mail_.failFor.clear();
    mail_.sent.clear();
    EXPECT_TRUE(run().ok());
    ASSERT_EQ(mail_.sent.size(), 1);
    EXPECT_EQ(listed(mail_.sent[0].message), QStringList{"41/01"});

    mail_.sent.clear();
    EXPECT_TRUE(run().mails == 0 && mail_.sent.isEmpty());

    // The next day both are still open and within the days: reminded again.
    const ReminderRun nextDay = run(kToday.addDays(1));
    EXPECT_EQ(std::pair(nextDay.mails, nextDay.proposals), std::pair(2, 2));
}

// Another server runs the command while this one's message is going out: the versions this
// run claimed are left out of it. The message waits until that run has ended (a bounded
// wait: a claim held open through the sending would keep it waiting, and is a fault).
TEST_P(RemindersTest, TwoRunsAtOnceSendEachVersionOnce) {
    addVersion(db(), {.nr = "45", .validInDays = 1});
    Mailbox otherMail;
    ReminderRun second;
    std::atomic<bool> done{false};
    bool endedWhileSending = false;
    std::thread other;
    mail_.whileSending = [&] {
        if (other.joinable()) return;
        other = std::thread([&] {
            second = sendReminders(*Database::open(scratch_.url()), otherMail, kToday);
            done = true;
        });
        endedWhileSending = cot::testing::waitUntil([&] { return done.load(); }, std::chrono::seconds(10));
    };
    const ReminderRun first = run();
    if (other.joinable()) other.join();
    EXPECT_EQ(std::pair(first.mails, mail_.sent.size()), std::pair(1, qsizetype(1)));
    EXPECT_TRUE(endedWhileSending) << "the other run waited for this one's message";
    EXPECT_TRUE(second.ok()) << second.failures.join(u'\n').toStdString();
    EXPECT_TRUE(second.mails == 0 && otherMail.sent.isEmpty());
}

COT_ON_EVERY_ENGINE(RemindersTest);

// The real binary over a SQLite file, with the system clock, mailing a real SMTP receiver.
cot::testing::ShellRun runServer(const QStringList& arguments) {
    QProcess p;
    // Next to the test executable (no QCoreApplication here to ask).
    p.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/cot05000-server"), arguments);
    if (!p.waitForFinished(60000)) p.kill(), p.waitForFinished(5000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(RemindersCommand, SendsThroughTheBranchAccountAndReportsTheCount) {
    cot::testing::SmtpReceiver receiver;
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("cot.db"));
    const QDate today = QDate::currentDate();
    {
        auto db = Database::open(url);
        migrate(*db);
        prepareRegisters(*db, receiver.address());
        for (const auto& [nr, days] : std::vector<std::pair<const char*, int>>{{"60", 1}, {"61", 2}, {"62", 40}})
            addVersion(*db, {.nr = QString::fromLatin1(nr), .validInDays = days, .today = today});
    }
    const QStringList args{QStringLiteral("--db"), url, QStringLiteral("--send-reminders")};

    const auto first = runServer(args);
    EXPECT_EQ(std::pair(first.exitCode, first.output), std::pair(0, QStringLiteral("Lembretes: 1 e-mails, 2 propostas.\n")))
        << first.errors.toStdString();
    ASSERT_TRUE(receiver.waitForMessages(1));
    EXPECT_EQ(std::pair(receiver.messages()[0].subject, receiver.messages()[0].rcptTos),
              std::pair(QString("Propostas a vencer: 2"), QStringList{"ana@empresa.demo"}));

    const auto again = runServer(args);
    EXPECT_EQ(std::pair(again.exitCode, again.output), std::pair(0, QStringLiteral("Lembretes: 0 e-mails, 0 propostas.\n")));

    // A mail server that is down: exit 1, said on standard error, retried by the next run.
    Database::open(url)->exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = :S"),
                              {{"S", QStringLiteral("127.0.0.1:%1").arg(cot::testing::unusedLoopbackPort())}});
    Database::open(url)->exec(QStringLiteral("UPDATE PROPOSTAFAS SET DTVALPROPFAS = :V WHERE NRPROPOSFAS = '62'"),
                              {{"V", QDateTime(today.addDays(3), QTime(0, 0))}});
    const auto failed = runServer(args);
    EXPECT_EQ(std::pair(failed.exitCode, failed.output), std::pair(1, QStringLiteral("Lembretes: 0 e-mails, 0 propostas.\n")));
    EXPECT_TRUE(failed.errors.contains(QStringLiteral("62/01"))) << failed.errors.toStdString();

    EXPECT_EQ(runServer(args + QStringList{QStringLiteral("--export"), dir.path()}).exitCode, 2);
}

}  // namespace
