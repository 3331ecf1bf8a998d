// The daily reminders of proposals about to expire: which versions each salesperson is told
// of (the branch's days, the boundaries, the closed versions left out), one message per
// salesperson, at most one reminder of a version a day (a failed message leaves nothing
// recorded, so the next run sends it), and the real binary's exit codes and summary.
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "base/clock.h"
#include "base/errors.h"
#include "server/admin/reminder_command.h"
#include "server/migrations/migrations.h"
#include "services/mail_sender.h"
#include "support/smtp_receiver.h"
#include "support/wait_until.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

const QDate kToday(2026, 12, 6);

// Records every message; refuses those addressed to `failFor`.
struct Mailbox : RecordingMailSender {
    void send(const MailAccount& account, const MailMessage& message) override {
        if (!failFor.isEmpty() && message.to.contains(failFor)) throw UserError(QStringLiteral("Servidor recusou."));
        RecordingMailSender::send(account, message);
    }
    const MailMessage* to(const QString& address) const {
        for (const auto& s : sent)
            if (s.message.to.contains(address)) return &s.message;
        return nullptr;
    }
    QString failFor;
};

// Two branches with a mail account each, three salespeople (one without an address), a
// client; proposals are added by each test.
void prepareRegisters(Database& db, const QString& smtp) {
    db.exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz'), ('0002', 'Sul')"));
    for (const char* branch : {"0001", "0002"})
        db.exec(QStringLiteral("INSERT INTO ENDEFILI (CDFILIAL, IDTPENDEFILI, DSEMAILFILI, DSSMTPEMAILF) "
                               "VALUES (:F, 'P', :E, :S)"),
                {{"F", QString::fromLatin1(branch)},
                 {"E", QStringLiteral("filial%1@empresa.demo").arg(QString::fromLatin1(branch))},
                 {"S", smtp}});
    db.exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSEMAILOPER) VALUES "
                           "('ANA', 'Ana Souza', 'ana@empresa.demo'), ('BETO', 'Beto Lima', 'beto@empresa.demo'), "
                           "('CAIO', 'Caio Dias', NULL)"));
    db.exec(QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE) "
                           "VALUES ('C1', '11222333000181', 'J', 'Padaria Pão & Cia')"));
}

struct Version {
    QString nr, ver = QStringLiteral("01"), branch = QStringLiteral("0001");
    int validInDays = 1;
    QString responsible, creator = QStringLiteral("ANA");
    QString reference = QStringLiteral("Sistema de vendas");
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
    for (const QString& line : m.textPart.split(u'\n'))
        if (line.startsWith(QLatin1String("- "))) out << line.mid(2).section(u' ', 0, 0);
    return out;
}

class RemindersTest : public ::testing::TestWithParam<std::string> {
protected:
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
    for (const auto& [nr, days] : std::vector<std::pair<const char*, int>>{
             {"10", 0}, {"11", 5}, {"12", 6}, {"13", -1}, {"14", -2}, {"15", 3}})
        addVersion(db(), {.nr = QString::fromLatin1(nr), .validInDays = days});
    db().exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = NULL WHERE CDFILIAL = '0002'"));
    addVersion(db(), {.nr = "51", .branch = "0002", .validInDays = 1, .responsible = "BETO"});
    // Closed versions: accepted, lost, decided by the client, superseded by an accepted one.
    for (const char* nr : {"20", "21", "22", "23"}) addVersion(db(), {.nr = QString::fromLatin1(nr), .validInDays = 1});
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
    EXPECT_EQ(db().scalar(QStringLiteral("SELECT COUNT(*) FROM LEMBRETEPROP")).toInt(), 4);
    const MailMessage& m = mail_.sent[0].message;
    // Validity order: yesterday's first, then today, then the rest up to today + 5.
    EXPECT_EQ(listed(m), (QStringList{"13/01", "10/01", "15/01", "11/01"}));
    EXPECT_EQ((QStringList{m.subject, m.to.join(u','), m.from, mail_.sent[0].account.server}),
              (QStringList{"Propostas a vencer: 4", "ana@empresa.demo", "filial0001@empresa.demo", "smtp.empresa.demo"}));
    EXPECT_EQ(std::pair(r.mails, r.proposals), std::pair(1, 4));
}

TEST_P(RemindersTest, EachBranchUsesItsOwnDaysAndEachSalespersonGetsOneMessage) {
    db().exec(QStringLiteral("UPDATE FILIAL SET NRDIASLEMBRETE = 10 WHERE CDFILIAL = '0002'"));
    db().exec(QStringLiteral("UPDATE FILIAL SET NRDIASLEMBRETE = 0 WHERE CDFILIAL = '0001'"));
    addVersion(db(), {.nr = "30", .validInDays = 0, .reference = "Loja <centro>", .package = 1500});
    addVersion(db(), {.nr = "31", .validInDays = 1});  // beyond branch 0001's zero days
    addVersion(db(), {.nr = "32", .branch = "0002", .validInDays = 10, .responsible = "BETO"});
    addVersion(db(), {.nr = "33", .branch = "0002", .validInDays = 11, .responsible = "BETO"});
    addVersion(db(), {.nr = "34", .branch = "0002", .validInDays = 2, .responsible = "BETO", .creator = "ANA"});
    addVersion(db(), {.nr = "35", .branch = "0002", .validInDays = 2, .creator = "CAIO"});

    const ReminderRun r = run();
    EXPECT_TRUE(r.ok());
    ASSERT_EQ(mail_.sent.size(), 2);
    const MailMessage* ana = mail_.to("ana@empresa.demo");
    const MailMessage* beto = mail_.to("beto@empresa.demo");
    ASSERT_TRUE(ana && beto);
    EXPECT_EQ(listed(*ana), QStringList{"30/01"});
    // The responsible operator, not the creator, is told; through his proposal's branch.
    EXPECT_EQ(listed(*beto), (QStringList{"34/01", "32/01"}));
    EXPECT_EQ(mail_.sent[mail_.sent[0].message.to == ana->to ? 1 : 0].message.from,
              QStringLiteral("filial0002@empresa.demo"));
    // CAIO has no address: skipped and said, not a failure.
    ASSERT_EQ(r.skipped.size(), 1);
    EXPECT_TRUE(r.skipped[0].contains(QStringLiteral("CAIO")));
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
    const ReminderRun second = run();
    EXPECT_TRUE(second.ok());
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
class SecondRunWhileSending : public MailSender {
public:
    explicit SecondRunWhileSending(QString url) : url_(std::move(url)) {}
    void send(const MailAccount&, const MailMessage&) override {
        ++sent;
        other_ = std::thread([this] {
            second = sendReminders(*Database::open(url_), otherMail, kToday);
            done = true;
        });
        endedWhileSending = cot::testing::waitUntil([this] { return done.load(); }, std::chrono::seconds(10));
    }
    void join() { if (other_.joinable()) other_.join(); }
    int sent = 0;
    bool endedWhileSending = false;
    Mailbox otherMail;
    ReminderRun second;

private:
    QString url_;
    std::thread other_;
    std::atomic<bool> done{false};
};

TEST_P(RemindersTest, TwoRunsAtOnceSendEachVersionOnce) {
    addVersion(db(), {.nr = "45", .validInDays = 1});
    SecondRunWhileSending sender(scratch_.url());
    const ReminderRun first = sendReminders(db(), sender, kToday);
    sender.join();
    EXPECT_EQ(std::pair(first.mails, sender.sent), std::pair(1, 1));
    EXPECT_TRUE(sender.endedWhileSending) << "the other run waited for this one's message";
    EXPECT_TRUE(sender.second.ok()) << sender.second.failures.join(u'\n').toStdString();
    EXPECT_TRUE(sender.second.mails == 0 && sender.otherMail.sent.isEmpty());
}

COT_ON_EVERY_ENGINE(RemindersTest);

// The real binary over a SQLite file, with the system clock, mailing a real SMTP receiver.
struct BinaryRun {
    int exitCode = -1;
    QString output, errors;
};

BinaryRun runServer(const QStringList& arguments) {
    QProcess p;
    // Next to the test executable (no QCoreApplication here to ask).
    p.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/cot05000-server"), arguments);
    const bool ended = p.waitForFinished(60000);
    if (!ended) p.kill();
    p.waitForFinished(5000);
    return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
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

    const BinaryRun first = runServer(args);
    EXPECT_EQ(first.exitCode, 0) << first.errors.toStdString();
    EXPECT_EQ(first.output, QStringLiteral("Lembretes: 1 e-mails, 2 propostas.\n"));
    ASSERT_TRUE(receiver.waitForMessages(1));
    const cot::testing::ReceivedMail mail = receiver.messages()[0];
    EXPECT_EQ(std::pair(mail.subject, mail.rcptTos), std::pair(QString("Propostas a vencer: 2"), QStringList{"ana@empresa.demo"}));

    const BinaryRun again = runServer(args);
    EXPECT_EQ(std::pair(again.exitCode, again.output), std::pair(0, QStringLiteral("Lembretes: 0 e-mails, 0 propostas.\n")));

    // A mail server that is down: exit 1, said on standard error, retried by the next run.
    {
        auto db = Database::open(url);
        db->exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = :S"),
                 {{"S", QStringLiteral("127.0.0.1:%1").arg(cot::testing::unusedLoopbackPort())}});
        db->exec(QStringLiteral("UPDATE PROPOSTAFAS SET DTVALPROPFAS = :V WHERE NRPROPOSFAS = '62'"),
                 {{"V", QDateTime(today.addDays(3), QTime(0, 0))}});
    }
    const BinaryRun failed = runServer(args);
    EXPECT_EQ(std::pair(failed.exitCode, failed.output), std::pair(1, QStringLiteral("Lembretes: 0 e-mails, 0 propostas.\n")));
    EXPECT_TRUE(failed.errors.contains(QStringLiteral("62/01"))) << failed.errors.toStdString();

    EXPECT_EQ(runServer(args + QStringList{QStringLiteral("--export"), dir.path()}).exitCode, 2);
}

}  // namespace
