#pragma once
// The proposal screen opened through its factory over the demo database, for the screen
// tests of the module: helpers to move in the list and to reach pages as the user does.
#include <QApplication>
#include <vector>

#include "data/client_table.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/filter_reload.h"
#include "module/module_factories.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "server/storage/database.h"
#include "support/screen_fixture.h"
#include "ui/event_boundary.h"
#include "ui/menus.h"

namespace cot::testing {

class ProposalFixture : public ScreenFixture {
protected:
    // Number of a demo proposal as the list shows it.
    static QString number(int n) { return QStringLiteral("%1").arg(n, 20, 10, QChar(u'0')); }

    void openScreen() {
        Cli_cot05000::CriaProposta();
        screen = Cli_cot05000::proposalScreen();
        ASSERT_NE(screen, nullptr);
        showAndActivate(*screen);
    }

    // The screen opened on proposal n.
    void openOn(int n, const QString& version = QStringLiteral("01")) { openScreen(); ASSERT_TRUE(select(n, version)); }

    void TearDown() override { Cli_cot05000::releaseAll(); ScreenFixture::TearDown(); }

    // Moves the list to a proposal (the load sequence runs as on a click).
    bool select(int n, const QString& version = QStringLiteral("01")) {
        bool found = false;
        EXPECT_TRUE(runHandler([&] {
            found = screen->proposal().locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {number(n), version});
        })) << dialogs.errors().join(QStringLiteral("; ")).toStdString();
        return found;
    }

    QObject* formUnderTest() const override { return screen; }

    // Chooses a menu entry as the user would; false when it failed or was disabled.
    bool menu(TMenuItem* item) { return item->click(); }

    QStringList listNumbers() const {
        QStringList out;
        ClientTable& t = screen->proposal();
        for (int r = 0; r < t.rowCount(); ++r)
            t.withRow(r, [&] { out << QString::number(t["NRPROPOSFAS"].asString().toLongLong()) + u'/' + t["NRVERPROPFAS"].asString(); });
        return out;
    }

    // Replaces the stored schedule of line `lineKey` (as seeded) of proposal n with these
    // values, one a month from 10/01/2027.
    void setLineSchedule(int lineKey, const std::vector<double>& values, int n = 2) {
        testServer().db().exec("DELETE FROM VENCLINPPROP WHERE CDLINPPROP = :L", {{"L", number(lineKey)}});
        for (size_t i = 0; i < values.size(); ++i)
            testServer().db().exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, "
                                   "VRVELUSOPEDP) VALUES (:N, '01', :L, :D, :V)",
                                   {{"N", number(n)}, {"L", number(lineKey)},
                                    {"D", QDateTime(QDate(2027, int(i) + 1, 10), QTime(0, 0))}, {"V", values[i]}});
    }

    TfrmPropostaComercial* screen = nullptr;
};

}  // namespace cot::testing
