// The desktop on the server's day: signing in reads the server's clock, and the dates a
// new proposal proposes and the list's expiry statuses follow it, not the desktop's own.
#include <QSet>
#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/filter_criteria.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_list_status.h"
#include "proposal/screen/proposal_screen.h"
#include "screens/header_fixture.h"
#include "screens/sign_in.h"
#include "server/rpc/method_registry.h"
#include "services/server_date.h"
#include "services/session.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QDate kServerDay(2027, 1, 20);  // 45 days after the desktop's own 06/12/2026

class ServerDateScreen : public HeaderFixture {
protected:
    // Signs VENDEDOR in against a server whose clock reads 20/01/2027 09:00. In this process
    // the proposal server reads the desktop's clock slot, so that server answers the date
    // from a clock of its own.
    void signInAgainstAServerAhead() {
        TestServer ahead({.seed = true, .fixedClock = false, .methods = [](server::MethodRegistry& r) {
                              r.add("GetDataHoraServ", 0, server::AccessRule::session(), [](server::MethodContext&, const server::Args&) -> QJsonValue {
                                  return "2027-01-20T09:00:00.000";
                              });
                          }});
        const int port = Session::instance().serverPort();
        Session::instance().setServer("127.0.0.1", ahead.port());
        try {
            SignIn::signIn("VENDEDOR", "vendedor", "0001");
        } catch (const UserError& e) {
            ADD_FAILURE() << e.text().toStdString();
        }
        Session::instance().setServer("127.0.0.1", port);
        // Back to the test's own server, with a session opened on the day the clock now reads.
        Session::instance().setToken(testServer().openSession("VENDEDOR"));
    }

    // Numbers/versions the server's filter lists with one status.
    QSet<QString> listedByTheServer(const Cli_cot05002::TDADOSSTATUS& status) {
        Cli_cot05002::TFILTRO f;
        f.DADOSSTATUS = status;
        const Packet p = screen->net().getPacket(
            "GetPropostaAux", Cli_cot05002::propostaAuxArguments(Cli_cot05002::filterArguments(f), "0001", "T"));
        QSet<QString> out;
        for (int r = 0; r < p.rows.size(); ++r)
            out << p.value(r, "NRPROPOSFAS").toString() + u'/' + p.value(r, "NRVERPROPFAS").toString();
        return out;
    }
};

TEST_F(ServerDateScreen, ANewProposalIsDatedByTheServersDayAndTheClockKeepsRunning) {
    ASSERT_EQ(Clock::current().today(), QDate(2026, 12, 6)) << "the desktop's own clock";
    signInAgainstAServerAhead();
    ASSERT_NE(dynamic_cast<const ServerClock*>(&Clock::current()), nullptr);
    EXPECT_EQ(Lib90500::DtServ(), QDateTime(kServerDay, QTime(0, 0)));
    const QDateTime first = Clock::current().now();
    EXPECT_EQ(first.date(), kServerDay);
    EXPECT_LT(qAbs(first.secsTo(QDateTime(kServerDay, QTime(9, 0)))), 5);

    startNewProposal();
    ClientTable& t = screen->proposal();
    EXPECT_EQ(t["DTPROPOSFAS"].asDateTime().date(), kServerDay);
    EXPECT_EQ(t["DTVALPROPFAS"].asDateTime().date(), kServerDay.addDays(30)) << "the validity default";
    // No second reading: the time runs on from the first one by the local counter.
    EXPECT_GE(Clock::current().now(), first);
}

TEST_F(ServerDateScreen, TheListsExpiryStatusesAgreeWithTheServersFilterOnTheServersDay) {
    signInAgainstAServerAhead();
    const QSet<QString> expired = listedByTheServer({false, true, false, false});
    const QSet<QString> expiring = listedByTheServer({false, false, false, true});
    const QSet<QString> valid = listedByTheServer({false, false, true, false});
    ClientTable& list = screen->proposal();
    ASSERT_GT(list.rowCount(), 0);
    int moved = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        ClientTable::RowView view(list, r);
        const QString key = list["NRPROPOSFAS"].asString() + u'/' + list["NRVERPROPFAS"].asString();
        const QDateTime accepted = list["DTACEPROPFAS"].asDateTime();
        const QDateTime validUntil = list["DTVALPROPFAS"].asDateTime();
        const ProposalListStatus shown = proposalListStatus(accepted, validUntil, Clock::current().today());
        EXPECT_EQ(shown == ProposalListStatus::Expired, expired.contains(key)) << key.toStdString();
        EXPECT_EQ(shown == ProposalListStatus::Expiring, expiring.contains(key)) << key.toStdString();
        EXPECT_EQ(shown == ProposalListStatus::Valid, valid.contains(key)) << key.toStdString();
        if (shown != proposalListStatus(accepted, validUntil, QDate(2026, 12, 6))) ++moved;
    }
    EXPECT_GT(moved, 0) << "some proposal must look different on the server's day than on the desktop's";
}

}  // namespace
