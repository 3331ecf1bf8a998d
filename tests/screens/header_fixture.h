#pragma once
// The proposal screen over the demo data, with helpers to fill and post its header.
#include <QString>
#include <QVariantMap>

#include "data/client_table.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "screens/form.h"
#include "server/storage/database.h"
#include "support/screen_fixture.h"
#include "ui/event_boundary.h"
#include "ui/page_control.h"

namespace cot::testing {

inline const QString kAlfa = QStringLiteral("11222333000181");   // client, readjusted in March
inline const QString kKappa = QStringLiteral("66777888000136");  // client without a readjustment month
inline const QString kDelta = QStringLiteral("77888999000127");  // prospect

inline QString seedNumber(int n) { return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0')); }

class HeaderFixture : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        screen = createForm<TfrmPropostaComercial>();
        showAndActivate(*screen);
    }
    void TearDown() override {
        delete screen;
        screen = nullptr;
        ScreenFixture::TearDown();
    }

    QObject* formUnderTest() const override { return screen; }

    // The include button from the list, as the user starts a new proposal.
    void startNewProposal() {
        screen->pgcPadrao->setActivePage(screen->tshPadrao);
        screen->setActiveTable(&screen->proposal());
        ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); })) << dialogs.errors().join("; ").toStdString();
    }

    // The current proposal put in edit from the form page.
    void editOnForm() {
        screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
        screen->setActiveTable(&screen->proposal());
        ASSERT_TRUE(runHandler([&] { screen->proposal().edit(); }));
    }

    // A complete request for a client (or prospect) of the demo data.
    void fillRequest(const QString& document, bool prospect = false) {
        ClientTable& t = screen->proposal();
        if (prospect) t["IDCLIENPROSP"].setAsString("P");
        for (const auto& [field, value] : {std::pair{"NRINSJURCLIE", document},
                                           {"DSREFEPROPOSFAS", QStringLiteral("Teste de cabeçalho")}, {"CDPROCOMERCI", "ERP"}})
            t[field].setAsString(value);
    }

    // Turns the current row into a proposal with index 1 alone (100%).
    void makeProposal() {
        for (const auto& [field, value] : {std::pair<const char*, const char*>{"IDSOLPROPFAS", "N"}, {"CDINDICE1", "0001"},
                                           {"CDTPINDICE1", "M"}, {"VRPEINCIND1", "100"}, {"IDTPREAJPROP", "A"},
                                           {"CDOPERRESP", "GERENTE"}})
            screen->proposal()[field].setAsString(value);
    }

    // Posts the proposal as the confirm button's post does; false when refused.
    bool post() {
        return runHandler([&] { screen->proposal().post(); });
    }

    QVariantMap storedRow(const QString& nr, const QString& ver) {
        const Packet p = testServer().db().query(
            QStringLiteral("SELECT * FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V"), {{"N", nr}, {"V", ver}});
        QVariantMap row;
        if (p.rows.isEmpty()) return row;
        for (int c = 0; c < p.fields.size(); ++c) row.insert(p.fields[c].name.toUpper(), p.rows[0].value(c));
        return row;
    }
    // Fields of the stored version `ver` of proposal `nr` as text (a null as empty).
    QStringList storedValues(const QString& nr, const QStringList& fields, const QString& ver = QStringLiteral("01")) {
        const QVariantMap row = storedRow(nr, ver);
        QStringList out;
        for (const QString& f : fields) out << row.value(f).toString();
        return out;
    }
    QVariant scalar(const QString& sql) { return testServer().db().scalar(sql); }

    TfrmPropostaComercial* screen = nullptr;
};

}  // namespace cot::testing
