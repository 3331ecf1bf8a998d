#pragma once
// cot05000-server --send-reminders: each salesperson gets one e-mail, through his branch's
// mail account, listing his open proposal versions (not accepted, lost or superseded, no
// client decision) whose validity ends between today and today + the branch's days
// (FILIAL.NRDIASLEMBRETE, 5 when not set), and those whose validity ended yesterday.
//
// A version is reminded at most once a day (LEMBRETEPROP): the salesperson's rows are
// claimed first (inserted and committed), his message goes out with no transaction open, and
// the rows are then stamped sent; a failed message gives them back, so the next run tries
// again. A second run, or a second server running at the same time, finds the claimed rows
// and leaves those versions out.
#include <QDate>
#include <QStringList>

namespace cot {
class MailSender;
}

namespace cot::server {

class Database;
struct ServerConfig;

constexpr int kDefaultReminderDays = 5;

struct ReminderRun {
    int mails = 0;          // messages that went out
    int proposals = 0;      // versions listed in them
    QStringList failures;   // one line per message that could not go (exit code 1)
    QStringList skipped;    // salespeople left out for lack of an address, and the like
    bool ok() const { return failures.isEmpty(); }
};

// Sends the day's reminders; `today` is the server clock's date.
ReminderRun sendReminders(Database& db, MailSender& sender, const QDate& today);

// The command: opens and migrates the database (copying an older SQLite one first when
// server.conf names backup-before-migrate), sends through defaultMailSender(), prints
// "Lembretes: X e-mails, Y propostas." on standard output and the failures and skipped
// salespeople on standard error. Returns 0 when every message went out, 1 otherwise.
int runReminderCommand(const ServerConfig& config);

}  // namespace cot::server
