// The proposal list's status pictures, text colours, legend and the attachment column's
// handling of columns and keys.
#include <QLabel>
#include <QSet>

#include "proposal/screen/proposal_list_status.h"
#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "ui/db_grid.h"

using namespace cot;
using namespace cot::testing;

namespace {

QDateTime at(int y, int m, int d, int h = 0) { return QDateTime(QDate(y, m, d), QTime(h, 0)); }

}  // namespace

// Lost and superseded come from the server's status; accepted still comes first, and any
// other server code leaves the validity colours to the calendar. Declined by the client and
// not marked lost: its own status, whatever the validity, still open until marked lost.
TEST(ProposalListPictures, StatusByValidityServerAndDecisionItsPictureAndTheInk) {
    const QDate today(2026, 12, 6);
    const struct { QDateTime accepted, valid; const char *server, *decision; ProposalListStatus status; } cases[] = {
        // The validity day counts whole: a proposal valid through today is still expiring at
        // any hour of today, and the ten-day window ends on the tenth calendar day.
        {{}, at(2026, 12, 6), "", "", ProposalListStatus::Expiring},      // today, validity at midnight
        {{}, at(2026, 12, 6, 23), "", "", ProposalListStatus::Expiring},  // today, later hour
        {{}, at(2026, 12, 16), "", "", ProposalListStatus::Expiring},     // +10
        {{}, at(2026, 12, 17), "", "", ProposalListStatus::Valid},        // +11
        {{}, at(2026, 12, 5, 23), "", "", ProposalListStatus::Expired},   // yesterday, late
        {{}, at(2026, 1, 1), "", "", ProposalListStatus::Expired},
        {{}, QDateTime(), "", "", ProposalListStatus::Expired},  // no validity date: nothing holds it
        // Accepted, whatever the validity.
        {at(2026, 11, 1), at(2026, 1, 1), "", "", ProposalListStatus::Accepted},
        {at(2026, 11, 1), QDateTime(), "", "", ProposalListStatus::Accepted},
        {at(2026, 11, 1), at(2027, 6, 1), "", "", ProposalListStatus::Accepted},
        {{}, at(2027, 1, 1), "P", "", ProposalListStatus::Lost},
        {{}, at(2026, 1, 1), "S", "", ProposalListStatus::Superseded},
        {at(2026, 11, 1), at(2027, 1, 1), "P", "", ProposalListStatus::Accepted},
        {{}, at(2026, 12, 7), "V", "", ProposalListStatus::Expiring},  // a list read yesterday: the day decides
        {{}, at(2027, 1, 1), "", "R", ProposalListStatus::Declined},
        {{}, at(2027, 1, 1), "R", "", ProposalListStatus::Declined},
        {{}, at(2027, 1, 1), "P", "R", ProposalListStatus::Lost},
        {at(2026, 11, 1), at(2027, 1, 1), "", "R", ProposalListStatus::Accepted},
        {{}, at(2027, 1, 1), "", "A", ProposalListStatus::Valid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(proposalListStatus(c.accepted, c.valid, today, c.server, c.decision), c.status) << c.server << c.decision;
    QStringList pictures;
    for (const auto s : {ProposalListStatus::Valid, ProposalListStatus::Expiring, ProposalListStatus::Expired,
                         ProposalListStatus::Accepted, ProposalListStatus::Lost, ProposalListStatus::Superseded,
                         ProposalListStatus::Declined})
        pictures << proposalListPicture(s) + (isClosed(s) ? "+" : "");
    EXPECT_EQ(pictures, (QStringList{"imgVerde", "imgAmarelo", "imgVermelho", "+", "imgPreto+", "imgCinza+", "imgRecusadaCliente"}));
    EXPECT_EQ(clientDecisionPicture("A") + u'|' + clientDecisionPicture("R") + u'|' + clientDecisionPicture(""),
              "imgAceitaCliente|imgRecusadaCliente|");
    EXPECT_EQ(proposalListStatusKey(ProposalListStatus::Declined), "Leg_RecusadaCliente");
    // Accepted in grey (an accepted request is accepted first), open requests in red.
    EXPECT_EQ(QList<ProposalListInk>({proposalListInk(true, "N"), proposalListInk(true, "S"), proposalListInk(false, "S"),
                                      proposalListInk(false, "N"), proposalListInk(false, "")}),
              QList<ProposalListInk>({ProposalListInk::Grey, ProposalListInk::Grey, ProposalListInk::Red,
                                      ProposalListInk::Normal, ProposalListInk::Normal}));
}

class ListStatus : public ProposalFixture {};

// The server's statuses and the client's decision reach the rows the pictures are drawn from.
TEST_F(ListStatus, LegendPicturesAreRealImagesTheStatusesAsListedAndTheAttachmentTakesOnlyMovingKeys) {
    storeClosedVersions(testServer().db());
    storeDecision(testServer().db(), 2, "01", "R");
    openScreen();
    QStringList legend;
    for (const char* name : {"lblAceite", "lblValida", "lblAVencer", "lblVencida", "lblSubstituida", "lblPerdida",
                             "lblAceitaCliente", "lblRecusadaCliente"})
        legend << (findAs<QLabel>(*screen, name) ? findAs<QLabel>(*screen, name)->text() : QStringLiteral("(none)"));
    EXPECT_EQ(legend, (QStringList{"Aceita", "Válida", "A vencer", "Vencida", "Substituída", "Perdida",
                                   "Aceita pelo cliente", "Recusada pelo cliente"}));
    for (const char* name :
         {"imgVerde", "imgAmarelo", "imgVermelho", "imgCinza", "imgPreto", "imgAceitaCliente", "imgRecusadaCliente"}) {
        auto* img = findAs<QLabel>(*screen, name);
        EXPECT_TRUE(img && !img->pixmap().isNull() && img->isVisible()) << name;
    }
    // The dots differ, each status told apart; the decision marks are a blue check and an
    // orange cross on a transparent ground.
    const auto centre = [&](const char* name) { return findAs<QLabel>(*screen, name)->pixmap().toImage().pixel(8, 8); };
    EXPECT_EQ(QSet<QRgb>({centre("imgVerde"), centre("imgAmarelo"), centre("imgVermelho"), centre("imgCinza"),
                          centre("imgPreto")})
                  .size(),
              5);
    const auto inked = [&](const char* name) {
        const QImage image = findAs<QLabel>(*screen, name)->pixmap().toImage();
        for (int i = 0; i < image.width() * image.height(); ++i)
            if (qAlpha(image.pixel(i % image.width(), i / image.width())) == 255)
                return QColor(image.pixel(i % image.width(), i / image.width()));
        return QColor();
    };
    EXPECT_GT(inked("imgAceitaCliente").blue(), inked("imgAceitaCliente").red());
    EXPECT_GT(inked("imgRecusadaCliente").red(), inked("imgRecusadaCliente").blue());
    auto* anexo = findAs<QLabel>(*screen, "imgAnexo");
    EXPECT_TRUE(anexo && !anexo->pixmap().isNull() && !anexo->isVisible());
    const auto row = [&](int n, const char* version) {
        EXPECT_TRUE(select(n, version));
        return proposalListStatusOf(screen->proposal());
    };
    EXPECT_EQ(row(2, "01"), ProposalListStatus::Declined) << "no longer shown as valid";
    EXPECT_EQ(QList<ProposalListStatus>({row(6, "01"), row(6, "02")}), QList<ProposalListStatus>(2, ProposalListStatus::Superseded));
    EXPECT_EQ(row(6, "03"), ProposalListStatus::Valid);
    EXPECT_EQ(clientDecisionPicture(screen->proposal()["IDDECCLIENTE"].asString()), "imgAceitaCliente");
    EXPECT_EQ(row(9, "01"), ProposalListStatus::Lost);
    EXPECT_EQ(screen->proposal()["IDDECCLIENTE"].asString(), "");
    // Drawing the whole list (every picture and colour) runs without a failure shown.
    screen->dbgPadrao->grab();
    EXPECT_EQ(dialogs.errors(), QStringList());

    // The status columns close editing; the attachment column takes only moving keys.
    TDBGrid* grid = screen->dbgPadrao;
    for (const auto& [field, editing] :
         {std::pair{"NOME", true}, {"IDSITUACAO", false}, {"NOME", true}, {"IDDECCLIENTE", false}, {"ANEXO", true}}) {
        ASSERT_TRUE(grid->setSelectedField(field));
        EXPECT_EQ(grid->hasOption(dgEditing), editing) << field;
    }
    ASSERT_TRUE(grid->readOnly() && grid->onKeyPress);
    // The keys let through ('1') or dropped ('0'): other columns keep what is typed (the grid
    // is read-only anyway), the attachment column only moving keys.
    const auto through = [&](std::initializer_list<int> keys) {
        QString out;
        for (const int k : keys) { QChar key(k); grid->onKeyPress(key); out += key == QChar(k) ? u'1' : u'0'; }
        return out;
    };
    ASSERT_TRUE(grid->setSelectedField("NOME"));
    EXPECT_EQ(through({'a'}), "1");
    ASSERT_TRUE(grid->setSelectedField("ANEXO"));
    EXPECT_EQ(through({'a', ' ', 8, 9, 13, 37, 38, 39, 40}), "000111111");
}
