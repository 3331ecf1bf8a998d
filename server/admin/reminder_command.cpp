#include "server/admin/reminder_command.h"

#include <QDateTime>
#include <QMap>
#include <algorithm>
#include <cstdio>

#include "data/proposal_number.h"
#include "base/clock.h"
#include "base/errors.h"
#include "server/admin/backup_command.h"
#include "server/admin/reminder_mail.h"
#include "server/client_page/branch_mail.h"
#include "server/client_page/page_data.h"
#include "server/methods/proposal_list.h"
#include "server/methods/proposal_totals.h"
#include "server/methods/read_support.h"
#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"
#include "services/mail_sender.h"

namespace cot::server {

namespace {

// The days ahead a branch warns of; a value out of range counts as the nearest bound.
constexpr int kMostReminderDays = 365;

struct Branch {
    QString code;
    int days = kDefaultReminderDays;
};

struct Candidate {
    QString salesperson;
    ReminderItem item;
};

QList<Branch> branches(Database& db) {
    const Packet p = db.query(QStringLiteral("SELECT CDFILIAL, NRDIASLEMBRETE FROM FILIAL ORDER BY CDFILIAL"), {},
                              {{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                               {QStringLiteral("NRDIASLEMBRETE"), FieldType::Integer, 0}});
    QList<Branch> out;
    for (int i = 0; i < p.rows.size(); ++i) {
        Branch b;
        b.code = p.value(i, QStringLiteral("CDFILIAL")).toString().trimmed();
        const QVariant days = p.value(i, QStringLiteral("NRDIASLEMBRETE"));
        if (!days.isNull()) b.days = std::clamp(days.toInt(), 0, kMostReminderDays);
        out << b;
    }
    return out;
}

// The branch's versions to remind today, in validity order: open, without a decision,
// valid until a day from yesterday to today + days, and not in a reminder of today yet.
QList<Candidate> candidates(Database& db, const Branch& branch, const QDate& today) {
    const QString sql = QStringLiteral(R"SQL(
SELECT P.NRPROPOSFAS, P.NRVERPROPFAS, P.DSREFEPROPOSFAS, P.DTVALPROPFAS,
    COALESCE(NULLIF(TRIM(P.CDOPERRESP), ''), TRIM(P.CDOPERINCL)) AS VENDEDOR,
    CASE WHEN P.IDCLIENPROSP = 'P' THEN PR.NMFANTPROS ELSE CL.NMFANTCLIE END AS NOME
FROM PROPOSTAFAS P
LEFT JOIN CLIENTE CL ON CL.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT PR ON PR.CDPROSPECT = P.CDPROSPECT
WHERE P.CDFILIAL = :FIL AND P.DTACEPROPFAS IS NULL
  AND P.DTVALPROPFAS >= :DESDE AND P.DTVALPROPFAS < :ATE
  AND NOT EXISTS (SELECT 1 FROM DECISAOPROP D WHERE D.NRPROPOSFAS = P.NRPROPOSFAS
                  AND D.NRVERPROPFAS = P.NRVERPROPFAS)
  AND NOT EXISTS (SELECT 1 FROM LEMBRETEPROP L WHERE L.NRPROPOSFAS = P.NRPROPOSFAS
                  AND L.NRVERPROPFAS = P.NRVERPROPFAS AND L.DTLEMBRETE = :HOJE)
  AND NOT %1 AND NOT %2
ORDER BY P.DTVALPROPFAS, P.NRPROPOSFAS, P.NRVERPROPFAS
)SQL")
                            .arg(lostCondition(), supersededCondition());
    const Packet p = db.query(sql,
                              {{"FIL", branch.code},
                               {"DESDE", today.addDays(-1).startOfDay()},
                               {"ATE", today.addDays(branch.days + 1).startOfDay()},
                               {"HOJE", today}},
                              {{QStringLiteral("DTVALPROPFAS"), FieldType::DateTime, 0}});
    QList<Candidate> out;
    for (int i = 0; i < p.rows.size(); ++i) {
        Candidate c;
        c.salesperson = p.value(i, QStringLiteral("VENDEDOR")).toString().trimmed();
        c.item.nr = p.value(i, QStringLiteral("NRPROPOSFAS")).toString();
        c.item.ver = p.value(i, QStringLiteral("NRVERPROPFAS")).toString();
        c.item.reference = p.value(i, QStringLiteral("DSREFEPROPOSFAS")).toString().trimmed();
        c.item.client = p.value(i, QStringLiteral("NOME")).toString().trimmed();
        c.item.validUntil = p.value(i, QStringLiteral("DTVALPROPFAS")).toDateTime().date();
        if (const std::optional<ProposalTotals> totals = proposalTotals(db, c.item.nr, c.item.ver)) {
            c.item.value = totals->grand();
            c.item.monthly = totals->monthly;
        }
        out << c;
    }
    return out;
}

QString shownKey(const ReminderItem& item) {
    return shortProposalNumber(item.nr, item.ver);
}

QString errorText(const std::exception& e) {
    if (const auto* user = dynamic_cast<const UserError*>(&e)) return user->text();
    return QString::fromUtf8(e.what());
}

// One salesperson's message. His rows are claimed first and committed, each only when no
// other run holds the version for today (that run reminds it instead); the message then
// goes out with no transaction open (a slow mail server must not hold SQLite's writers),
// and the rows are stamped sent, or given back when it failed so the next run retries.
void remindSalesperson(Database& db, MailSender& sender, const QString& branch, const QString& salesperson,
                       const QList<ReminderItem>& items, const QDate& today, ReminderRun& run) {
    const QString to = client_page::operatorAddress(db, salesperson);
    if (to.isEmpty()) {
        run.skipped << QStringLiteral("Filial %1: o vendedor %2 não tem e-mail cadastrado; %3 proposta(s) sem lembrete.")
                           .arg(branch, salesperson)
                           .arg(items.size());
        return;
    }
    const QString name =
        db.scalar(QStringLiteral("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = :OP"), {{"OP", salesperson}})
            .toString();
    try {
        const client_page::BranchMail mail = client_page::branchMail(db, branch);
        QList<ReminderItem> mine;
        Transaction claim(db);
        for (const ReminderItem& item : items) {
            const int added = db.exec(QStringLiteral("INSERT INTO LEMBRETEPROP (NRPROPOSFAS, NRVERPROPFAS, DTLEMBRETE, "
                                                     "CDOPERADOR, DTENVIO) VALUES (:NR, :VER, :DIA, :OP, NULL) "
                                                     "ON CONFLICT (NRPROPOSFAS, NRVERPROPFAS, DTLEMBRETE) DO NOTHING"),
                                      {{"NR", item.nr}, {"VER", item.ver}, {"DIA", today}, {"OP", salesperson}});
            if (added == 1) mine << item;
        }
        claim.commit();
        if (mine.isEmpty()) return;
        const auto settle = [&](const QString& sql, const QVariantMap& extra) {
            Transaction tx(db);
            for (const ReminderItem& item : mine) {
                QVariantMap params{{"NR", item.nr}, {"VER", item.ver}, {"DIA", today}};
                params.insert(extra);
                db.exec(sql, params);
            }
            tx.commit();
        };
        const QString key = QStringLiteral(
                                " WHERE %1 AND DTLEMBRETE = :DIA "
                                "AND DTENVIO IS NULL")
                                .arg(read::ProposalKey::condition());
        try {
            sender.send(mail.account, reminderMessage(mail, to, name, mine, today));
        } catch (...) {
            settle(QStringLiteral("DELETE FROM LEMBRETEPROP") + key, {});
            throw;
        }
        settle(QStringLiteral("UPDATE LEMBRETEPROP SET DTENVIO = :EM") + key, {{"EM", Clock::current().now()}});
        ++run.mails;
        run.proposals += int(mine.size());
    } catch (const std::exception& e) {
        QStringList keys;
        for (const ReminderItem& item : items) keys << shownKey(item);
        run.failures << QStringLiteral("Filial %1: lembrete ao vendedor %2 (%3) não enviado: %4")
                            .arg(branch, salesperson, keys.join(QStringLiteral(", ")), errorText(e));
    }
}

}  // namespace

ReminderRun sendReminders(Database& db, MailSender& sender, const QDate& today) {
    ReminderRun run;
    for (const Branch& branch : branches(db)) {
        // Salespeople in the order of their first version to expire; each keeps validity order.
        QStringList order;
        QMap<QString, QList<ReminderItem>> bySalesperson;
        for (const Candidate& c : candidates(db, branch, today)) {
            if (c.salesperson.isEmpty()) {
                run.skipped << QStringLiteral("Filial %1: a proposta %2 não tem vendedor; ficou sem lembrete.")
                                   .arg(branch.code, shownKey(c.item));
                continue;
            }
            if (!bySalesperson.contains(c.salesperson)) order << c.salesperson;
            bySalesperson[c.salesperson] << c.item;
        }
        for (const QString& salesperson : order)
            remindSalesperson(db, sender, branch.code, salesperson, bySalesperson.value(salesperson), today, run);
    }
    return run;
}

int runReminderCommand(const ServerConfig& config) {
    // The timer may run between an upgrade and the server's restart: an older database is
    // then copied first, as the server's start would do.
    if (backupBeforeMigrate(config) != 0) return 1;
    try {
        auto db = Database::open(config.databaseUrl);
        migrate(*db);
        const ReminderRun run = sendReminders(*db, defaultMailSender(), Clock::current().today());
        for (const QString& line : run.skipped) std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(line));
        for (const QString& line : run.failures) std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(line));
        std::printf("Lembretes: %d e-mails, %d propostas.\n", run.mails, run.proposals);
        return run.ok() ? 0 : 1;
    } catch (const UserError& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(e.text()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", e.what());
    }
    return 1;
}

}  // namespace cot::server
