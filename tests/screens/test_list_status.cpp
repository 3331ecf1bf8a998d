// The proposal list's status pictures, text colours, legend and the attachment column's
// handling of columns and keys.
#include <QHeaderView>
#include <QLabel>

#include "proposal/screen/proposal_list_status.h"
#include "screens/proposal_fixture.h"
#include "ui/db_grid.h"

using namespace cot;
using namespace cot::testing;

namespace {

QDateTime at(int y, int m, int d, int h = 0) { return QDateTime(QDate(y, m, d), QTime(h, 0)); }

}  // namespace

// The validity day counts whole: a proposal valid through today is still expiring at any
// hour of today, and the ten-day window ends on the tenth calendar day.
TEST(ProposalListPictures, StatusAtTheValidityBoundaries) {
    const QDate today(2026, 12, 6);
    struct Case {
        QDateTime valid;
        ProposalListStatus status;
        const char* picture;
    } cases[] = {
        {at(2026, 12, 6), ProposalListStatus::Expiring, "imgAmarelo"},      // today, validity at midnight
        {at(2026, 12, 6, 23), ProposalListStatus::Expiring, "imgAmarelo"},  // today, later hour
        {at(2026, 12, 16), ProposalListStatus::Expiring, "imgAmarelo"},     // +10
        {at(2026, 12, 17), ProposalListStatus::Valid, "imgVerde"},          // +11
        {at(2026, 12, 5, 23), ProposalListStatus::Expired, "imgVermelho"},  // yesterday, late
        {at(2026, 1, 1), ProposalListStatus::Expired, "imgVermelho"},
        {QDateTime(), ProposalListStatus::Expired, "imgVermelho"},  // no validity date: nothing holds it
    };
    for (const Case& c : cases) {
        const ProposalListStatus s = proposalListStatus({}, c.valid, today);
        EXPECT_EQ(s, c.status) << c.valid.toString().toStdString();
        EXPECT_EQ(proposalListPicture(s), c.picture) << c.valid.toString().toStdString();
    }
    // Accepted: no picture, whatever the validity.
    for (const QDateTime& valid : {at(2026, 1, 1), at(2026, 12, 6), at(2027, 6, 1), QDateTime()}) {
        const ProposalListStatus s = proposalListStatus(at(2026, 11, 1), valid, today);
        EXPECT_EQ(s, ProposalListStatus::Accepted);
        EXPECT_EQ(proposalListPicture(s), QString());
    }
}

// Lost and superseded come from the server's status; accepted still comes first, and any
// other server code leaves the validity colours to the calendar.
TEST(ProposalListPictures, LostAndSupersededVersionsAndTheClientsDecision) {
    const QDate today(2026, 12, 6);
    EXPECT_EQ(proposalListStatus({}, at(2027, 1, 1), today, "P"), ProposalListStatus::Lost);
    EXPECT_EQ(proposalListStatus({}, at(2026, 1, 1), today, "S"), ProposalListStatus::Superseded);
    EXPECT_EQ(proposalListStatus(at(2026, 11, 1), at(2027, 1, 1), today, "P"), ProposalListStatus::Accepted);
    EXPECT_EQ(proposalListStatus({}, at(2026, 12, 7), today, "V"), ProposalListStatus::Expiring)
        << "a list read yesterday: the day decides";
    EXPECT_EQ(proposalListPicture(ProposalListStatus::Lost), "imgPreto");
    EXPECT_EQ(proposalListPicture(ProposalListStatus::Superseded), "imgCinza");
    EXPECT_TRUE(isClosed(ProposalListStatus::Lost));
    EXPECT_TRUE(isClosed(ProposalListStatus::Superseded));
    EXPECT_FALSE(isClosed(ProposalListStatus::Expired));
    EXPECT_EQ(clientDecisionPicture("A") + u'|' + clientDecisionPicture("R") + u'|' + clientDecisionPicture(""),
              "imgAceitaCliente|imgRecusadaCliente|");
    // Declined by the client and not marked lost: its own status, whatever the validity.
    EXPECT_EQ(proposalListStatus({}, at(2027, 1, 1), today, "", "R"), ProposalListStatus::Declined);
    EXPECT_EQ(proposalListStatus({}, at(2027, 1, 1), today, "R"), ProposalListStatus::Declined);
    EXPECT_EQ(proposalListStatus({}, at(2027, 1, 1), today, "P", "R"), ProposalListStatus::Lost);
    EXPECT_EQ(proposalListStatus(at(2026, 11, 1), at(2027, 1, 1), today, "", "R"), ProposalListStatus::Accepted);
    EXPECT_EQ(proposalListStatus({}, at(2027, 1, 1), today, "", "A"), ProposalListStatus::Valid);
    EXPECT_EQ(proposalListPicture(ProposalListStatus::Declined), "imgRecusadaCliente");
    EXPECT_EQ(proposalListStatusKey(ProposalListStatus::Declined), "Leg_RecusadaCliente");
    EXPECT_FALSE(isClosed(ProposalListStatus::Declined)) << "still open until marked lost";
}

TEST(ProposalListPictures, AcceptedInGreyOpenRequestsInRed) {
    EXPECT_EQ(proposalListInk(true, "N"), ProposalListInk::Grey);
    EXPECT_EQ(proposalListInk(true, "S"), ProposalListInk::Grey) << "an accepted request is accepted first";
    EXPECT_EQ(proposalListInk(false, "S"), ProposalListInk::Red);
    EXPECT_EQ(proposalListInk(false, "N"), ProposalListInk::Normal);
    EXPECT_EQ(proposalListInk(false, ""), ProposalListInk::Normal);
}

class ListStatus : public ProposalFixture {};

TEST_F(ListStatus, LegendPicturesAreRealImagesTheStatusColumnsCloseEditingAndTheAttachmentTakesOnlyMovingKeys) {
    openScreen();
    const auto text = [&](const char* name) {
        auto* l = findAs<QLabel>(*screen, name);
        return l ? l->text() : QStringLiteral("(none)");
    };
    QStringList legend;
    for (const char* name : {"lblAceite", "lblValida", "lblAVencer", "lblVencida", "lblSubstituida", "lblPerdida",
                             "lblAceitaCliente", "lblRecusadaCliente"})
        legend << text(name);
    EXPECT_EQ(legend, (QStringList{"Aceita", "Válida", "A vencer", "Vencida", "Substituída", "Perdida",
                                   "Aceita pelo cliente", "Recusada pelo cliente"}));
    for (const char* name :
         {"imgVerde", "imgAmarelo", "imgVermelho", "imgCinza", "imgPreto", "imgAceitaCliente", "imgRecusadaCliente"}) {
        auto* img = findAs<QLabel>(*screen, name);
        ASSERT_NE(img, nullptr) << name;
        EXPECT_FALSE(img->pixmap().isNull()) << name;
        EXPECT_TRUE(img->isVisible()) << name;
    }
    // The three dots differ: each status can be told apart.
    const auto centre = [&](const char* name) { return findAs<QLabel>(*screen, name)->pixmap().toImage().pixel(8, 8); };
    EXPECT_NE(centre("imgVerde"), centre("imgAmarelo"));
    EXPECT_NE(centre("imgAmarelo"), centre("imgVermelho"));
    EXPECT_NE(centre("imgCinza"), centre("imgPreto"));
    EXPECT_NE(centre("imgPreto"), centre("imgVermelho"));
    // The decision marks: a blue check and an orange cross, on a transparent ground.
    const auto inked = [&](const char* name) {
        const QImage image = findAs<QLabel>(*screen, name)->pixmap().toImage();
        QColor ink;
        for (int y = 0; y < image.height() && !ink.isValid(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255) {
                    ink = QColor(image.pixel(x, y));
                    break;
                }
        return ink;
    };
    EXPECT_GT(inked("imgAceitaCliente").blue(), inked("imgAceitaCliente").red());
    EXPECT_GT(inked("imgRecusadaCliente").red(), inked("imgRecusadaCliente").blue());
    auto* anexo = findAs<QLabel>(*screen, "imgAnexo");
    ASSERT_NE(anexo, nullptr);
    EXPECT_FALSE(anexo->pixmap().isNull());
    EXPECT_FALSE(anexo->isVisible());
    // Drawing the whole list (every picture and colour) runs without a failure shown.
    screen->dbgPadrao->grab();
    EXPECT_EQ(dialogs.errors(), QStringList());

    // The status columns close editing; the attachment column takes only moving keys.
    TDBGrid* grid = screen->dbgPadrao;
    ASSERT_TRUE(grid->setSelectedField("NOME"));
    EXPECT_TRUE(grid->hasOption(dgEditing));
    ASSERT_TRUE(grid->setSelectedField("IDSITUACAO"));
    EXPECT_FALSE(grid->hasOption(dgEditing));
    ASSERT_TRUE(grid->setSelectedField("NOME"));
    ASSERT_TRUE(grid->setSelectedField("IDDECCLIENTE"));
    EXPECT_FALSE(grid->hasOption(dgEditing));
    ASSERT_TRUE(grid->setSelectedField("ANEXO"));
    EXPECT_TRUE(grid->hasOption(dgEditing));
    EXPECT_TRUE(grid->readOnly());

    ASSERT_TRUE(grid->onKeyPress);
    const auto through = [&](QChar c) {
        QChar key = c;
        grid->onKeyPress(key);
        return key == c;
    };
    // Other columns keep what is typed (the grid is read-only anyway).
    ASSERT_TRUE(grid->setSelectedField("NOME"));
    EXPECT_TRUE(through(QChar('a')));
    ASSERT_TRUE(grid->setSelectedField("ANEXO"));
    EXPECT_FALSE(through(QChar('a')));
    EXPECT_FALSE(through(QChar(' ')));
    EXPECT_FALSE(through(QChar(8)));
    for (const int k : {9, 13, 37, 38, 39, 40}) EXPECT_TRUE(through(QChar(k))) << k;
}

// The server's statuses and the client's decision reach the rows the pictures are drawn from.
TEST_F(ListStatus, SupersededLostAndDecidedVersionsAsListed) {
    server::Database& db = testServer().db();
    db.exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, "
            "TXHASHCONT) VALUES (:N, '03', 1, 'A', :D, 'Ana', :H)",
            {{"N", number(6)}, {"D", QDateTime(QDate(2026, 12, 5), QTime(9, 0))}, {"H", QString(64, u'a')}});
    // The client's acceptance holds the deal for 03.
    db.exec("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:N, '03', :D)",
            {{"N", number(6)}, {"D", QDateTime(QDate(2026, 12, 5), QTime(9, 0))}});
    db.exec("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, CDOPERADOR, IDMOTIVO) "
            "VALUES (:N, '01', :D, 'VENDEDOR', 'C')",
            {{"N", number(9)}, {"D", QDateTime(QDate(2026, 12, 5), QTime(9, 0))}});
    db.exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, IDMOTIVO, "
            "TXHASHCONT) VALUES (:N, '01', 1, 'R', :D, 'P', :H)",
            {{"N", number(2)}, {"D", QDateTime(QDate(2026, 12, 5), QTime(9, 0))}, {"H", QString(64, u'b')}});
    openScreen();
    const auto row = [&](int n, const char* version) {
        EXPECT_TRUE(select(n, version));
        return proposalListStatusOf(screen->proposal());
    };
    EXPECT_EQ(row(2, "01"), ProposalListStatus::Declined) << "no longer shown as valid";
    EXPECT_EQ(row(6, "01"), ProposalListStatus::Superseded);
    EXPECT_EQ(row(6, "02"), ProposalListStatus::Superseded);
    EXPECT_EQ(row(6, "03"), ProposalListStatus::Valid);
    EXPECT_EQ(clientDecisionPicture(screen->proposal()["IDDECCLIENTE"].asString()), "imgAceitaCliente");
    EXPECT_EQ(row(9, "01"), ProposalListStatus::Lost);
    EXPECT_EQ(screen->proposal()["IDDECCLIENTE"].asString(), "");
    screen->dbgPadrao->grab();
    EXPECT_EQ(dialogs.errors(), QStringList());
}

