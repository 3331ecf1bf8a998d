// The client's decision and the lost mark in the proposal list and its filter (statuses
// "S" superseded and "P" lost, the IDDECCLIENTE column), and the methods that read the
// decision and set or clear the lost mark, on both engines.
#include <QMap>
#include <gtest/gtest.h>

#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "server_cases_a.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;
using cot::testing::cells;

namespace {

const QString kBranch = "0009";
const QDate kToday(2026, 12, 6);

QString nr(int n) { return QStringLiteral("8%1").arg(n, 19, 10, QLatin1Char('0')); }
QDateTime at(int days, int hour = 0) { return QDateTime(kToday.addDays(days), QTime(hour, 0)); }

void proposal(server::Database& db, int n, const char* ver, const QDateTime& validUntil, const QDateTime& accepted,
              const char* owner = "VENDEDOR") {
    db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
            "DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS, "
            "IDTIPOCOBRSERV) VALUES (:NR, :VER, :FILIAL, 'N', 'C', '11222333000181', 'Decisão', :CRIADA, :VALIDADE, "
            ":ACEITE, :OP, :OP, 'M', 'P')",
            {{"NR", nr(n)}, {"VER", ver}, {"FILIAL", kBranch}, {"CRIADA", at(-40)}, {"VALIDADE", validUntil},
             {"ACEITE", accepted.isValid() ? QVariant(accepted) : QVariant()}, {"OP", owner}});
}

void decision(server::Database& db, int n, const char* ver, const char* kind, const char* motive = nullptr) {
    db.exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, "
            "DSCARGODECISAO, IDMOTIVO, TXCOMENTARIO, DSENDIP, DSNAVEGADOR, TXHASHCONT) VALUES (:NR, :VER, 1, :K, :D, "
            "'Ana Souza', 'Diretora', :M, 'Caro demais', '203.0.113.9', 'Navegador', :H)",
            {{"NR", nr(n)}, {"VER", ver}, {"K", kind}, {"D", at(-2, 14)},
             {"M", motive ? QVariant(motive) : QVariant()}, {"H", QString(64, u'a')}});
}

// The number's accepted version, as the acceptance (or, for rows from before, the schema's
// fill: the approved version first) leaves it.
void accepted(server::Database& db, int n, const char* ver) {
    db.exec("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:NR, :VER, :D)",
            {{"NR", nr(n)}, {"VER", ver}, {"D", at(-3)}});
}

void lost(server::Database& db, int n, const char* ver) {
    db.exec("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, CDOPERADOR, IDMOTIVO, TXMOTIVO) "
            "VALUES (:NR, :VER, :D, 'VENDEDOR', 'C', 'Fechou com outro')",
            {{"NR", nr(n)}, {"VER", ver}, {"D", at(-1, 9)}});
}

// 1: 01 open, 02 accepted → 01 superseded. 2: 01 open, 02 accepted by the client on his
// page only → 01 superseded. 3: 01 lost (and past its validity), 02 declined by the
// client → 01 lost, 02 still by validity. 4: 01 accepted, 02 accepted by the client →
// 01 stays accepted. 5: 01 accepted and (by mistake) lost → accepted first.
// 6: open, ASSIST's. 7: open and due in five days, nothing else.
void prepare(server::Database& db) {
    db.exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0009', 'Filial de Testes')");
    db.exec("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) VALUES ('VENDEDOR', '0009'), ('ASSIST', '0009')");
    proposal(db, 1, "01", at(30), {});
    proposal(db, 1, "02", at(30), at(-3));
    proposal(db, 2, "01", at(30), {});
    proposal(db, 2, "02", at(30), {});
    decision(db, 2, "02", "A");
    proposal(db, 3, "01", at(-2), {});
    lost(db, 3, "01");
    proposal(db, 3, "02", at(30), {});
    decision(db, 3, "02", "R", "P");
    proposal(db, 4, "01", at(30), at(-5));
    proposal(db, 4, "02", at(30), {});
    decision(db, 4, "02", "A");
    proposal(db, 5, "01", at(30), at(-5));
    lost(db, 5, "01");
    proposal(db, 6, "01", at(30), {}, "ASSIST");
    proposal(db, 7, "01", at(5), {});
    accepted(db, 1, "02");
    accepted(db, 2, "02");
    accepted(db, 4, "01");
    accepted(db, 5, "01");
}

// GetPropostaAux's arguments, every criterion open; the test sets the statuses and the
// client's decision.
QVariantList filter(const QString& decisionCode = "T", const QStringList& statuses = {}) {
    const auto status = [&](const char* code) { return statuses.contains(code) ? QString(code) : QString(); };
    return {kBranch, "T", "T", QVariant(), QVariant(), QVariant(), QVariant(), "T", QVariant(), QVariant(), "T", "T",
            "T",     status("V"), status("VA"), status("AV"), "T", "T", QString(), decisionCode, status("S"), status("P")};
}

class ClientDecisionTest : public cot::testing::DemoServerTest {
protected:
    ClientDecisionTest() : DemoServerTest({.prepare = prepare}) {}

    // "n/ver" → column value, for this test's proposals.
    QMap<QString, QString> byVersion(const Packet& p, const char* column) {
        QMap<QString, QString> out;
        for (int i = 0; i < p.rows.size(); ++i) {
            const QString number = p.value(i, "NRPROPOSFAS").toString();
            if (!number.startsWith(u'8')) continue;
            out.insert(QString::number(number.right(3).toInt()) + u'/' + p.value(i, "NRVERPROPFAS").toString(),
                       p.value(i, column).toString());
        }
        return out;
    }
    QStringList listed(const QVariantList& args) { return byVersion(packet("GetPropostaAux", args), "IDSITUACAO").keys(); }
    int lostRows() { return server_.db().scalar("SELECT COUNT(*) FROM PERDAPROP").toInt(); }

};

TEST_P(ClientDecisionTest, ListStatusesPutAcceptedThenLostThenSupersededBeforeValidity) {
    const QMap<QString, QString> expected{{"1/01", "S"}, {"1/02", "A"}, {"2/01", "S"}, {"2/02", "V"},
                                          {"3/01", "P"}, {"3/02", "V"}, {"4/01", "A"}, {"4/02", "S"},
                                          {"5/01", "A"}, {"6/01", "V"}, {"7/01", "E"}};
    const QMap<QString, QString> decisions{{"1/01", ""}, {"1/02", ""}, {"2/01", ""}, {"2/02", "A"},
                                           {"3/01", ""}, {"3/02", "R"}, {"4/01", ""}, {"4/02", "A"},
                                           {"5/01", ""}, {"6/01", ""}, {"7/01", ""}};
    // Every list method carries both: the plain list and the filtered one.
    for (const auto& [method, args] : {std::pair<QString, QVariantList>{"GetProposta", {kBranch, "T"}},
                                       std::pair<QString, QVariantList>{"GetPropostaAux", filter()}}) {
        const Packet p = packet(method, args);
        ASSERT_GE(p.indexOf("IDDECCLIENTE"), 0) << method.toStdString();
        EXPECT_EQ(p.fields[p.indexOf("IDDECCLIENTE")].type, FieldType::FixedString);
        EXPECT_EQ(byVersion(p, "IDSITUACAO"), expected) << method.toStdString();
        EXPECT_EQ(byVersion(p, "IDDECCLIENTE"), decisions) << method.toStdString();
    }
}

TEST_P(ClientDecisionTest, FilterByClientDecisionAndByTheNewStatuses) {
    EXPECT_EQ(listed(filter("A")), QStringList({"2/02", "4/02"}));
    EXPECT_EQ(listed(filter("r")), QStringList({"3/02"})) << "codes in any case";
    EXPECT_EQ(listed(filter("N")), QStringList({"1/01", "1/02", "2/01", "3/01", "4/01", "5/01", "6/01", "7/01"}));
    EXPECT_EQ(listed(filter("T", {"S"})), QStringList({"1/01", "2/01", "4/02"}));
    EXPECT_EQ(listed(filter("T", {"P"})), QStringList({"3/01"}));
    EXPECT_EQ(listed(filter("T", {"S", "P"})), QStringList({"1/01", "2/01", "3/01", "4/02"}));
    // A lost or superseded version is never expired, valid or expiring.
    EXPECT_EQ(listed(filter("T", {"V"})), QStringList());
    EXPECT_EQ(listed(filter("T", {"VA"})), QStringList({"2/02", "3/02", "6/01"}));
    EXPECT_EQ(listed(filter("T", {"AV", "P"})), QStringList({"3/01", "7/01"}));
    EXPECT_EQ(listed(filter("A", {"VA"})), QStringList({"2/02"})) << "both criteria hold together";
    // The 19-argument call of older desktops still works.
    EXPECT_EQ(byVersion(packet("GetPropostaAux", filter().mid(0, 19)), "IDSITUACAO").size(), 11);

    EXPECT_EQ(call("GetPropostaAux", filter("X")).error, "Decisão do cliente inválida no filtro: \"X\".");
    QVariantList wrongSlot = filter();
    wrongSlot[20] = "P";  // the superseded slot takes only "S"
    EXPECT_EQ(call("GetPropostaAux", wrongSlot).error, "Situação de proposta inválida no filtro: \"P\".");
}

TEST_P(ClientDecisionTest, DecisionAndLostMarkComeInOneRow) {
    const QStringList fields{"IDDECISAO", "IDMOTIVO", "NMRESPDECISAO", "TXCOMENTARIO", "DTDECISAO", "NRENVIO",
                             "DTPERDA", "IDMOTIVOPERDA", "TXMOTIVOPERDA", "CDOPERPERDA"};
    const Packet declined = packet("GetDecisaoCliente", {nr(3), "02"});
    EXPECT_EQ(cells(declined, 0, fields) << QString::number(declined.rows.size()),
              QStringList({"R", "P", "Ana Souza", "Caro demais", "04/12/2026 14:00", "1", "<null>", "<null>", "<null>",
                           "<null>", "1"}));
    const Packet lostOnly = packet("GetDecisaoCliente", {nr(3), "01"});
    EXPECT_EQ(cells(lostOnly, 0, fields) << QString::number(lostOnly.rows.size()),
              QStringList({"<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "05/12/2026 09:00", "C",
                           "Fechou com outro", "VENDEDOR", "1"}));
    EXPECT_TRUE(packet("GetDecisaoCliente", {nr(7), "01"}).rows.isEmpty());
    EXPECT_TRUE(packet("GetDecisaoCliente", {nr(99), "01"}).rows.isEmpty());
}

// Marking lost checks its input first, then the version's state (not stored, accepted,
// already lost), writing nothing when it refuses; it records who, when and why; unmarking
// removes it.
TEST_P(ClientDecisionTest, MarkingLostRefusesInOrderOrRecordsWhoWhenAndWhy) {
    const int before = lostRows();
    for (const char* motive : {"X", "", "PZ"})
        EXPECT_EQ(call("MarcarPerdida", {nr(7), "01", motive, ""}).error, "Escolha o motivo da perda.") << motive;
    EXPECT_EQ(call("MarcarPerdida", {nr(7), "01", "P", QString(501, u'x')}).error,
              "O campo TXMOTIVO aceita no máximo 500 caracteres.");
    EXPECT_EQ(call("MarcarPerdida", {nr(99), "01", "P", ""}).error, "Proposta não cadastrada.");
    EXPECT_EQ(call("MarcarPerdida", {nr(5), "01", "P", ""}).error, "A proposta já foi aceita.")
        << "accepted comes before already lost";
    EXPECT_EQ(call("MarcarPerdida", {nr(3), "01", "P", ""}).error, "A proposta já está marcada como perdida.");
    EXPECT_EQ(call("DesmarcarPerdida", {nr(99), "01"}).error, "Proposta não cadastrada.");
    EXPECT_EQ(lostRows(), before);

    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "z", "  Prazo de entrega longo  "}).ok);
    EXPECT_EQ(cells(packet("GetDecisaoCliente", {nr(7), "01"}), 0, {"IDMOTIVOPERDA", "TXMOTIVOPERDA", "CDOPERPERDA", "DTPERDA"}),
              QStringList({"Z", "Prazo de entrega longo", server_.operatorCode(), "06/12/2026 10:00"}));
    EXPECT_EQ(byVersion(packet("GetProposta", {kBranch, "T"}), "IDSITUACAO").value("7/01"), "P");
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM HISTPROP WHERE NRPROPOSFAS = :N AND NMMETODO = 'MarcarPerdida'",
                          {{"N", nr(7)}}).toInt(), 1);

    ASSERT_TRUE(call("DesmarcarPerdida", {nr(7), "01"}).ok);
    EXPECT_EQ(byVersion(packet("GetProposta", {kBranch, "T"}), "IDSITUACAO").value("7/01"), "E");
    EXPECT_EQ(call("DesmarcarPerdida", {nr(7), "01"}).error, "A proposta não está marcada como perdida.");
    // Without a text: none kept; 500 characters fit.
    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "O", "   "}).ok);
    EXPECT_TRUE(packet("GetDecisaoCliente", {nr(7), "01"}).value(0, "TXMOTIVOPERDA").isNull());
    ASSERT_TRUE(call("DesmarcarPerdida", {nr(7), "01"}).ok);
    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "P", QString(500, u'x')}).ok);
}

}  // namespace

COT_ON_EVERY_BACKEND(ClientDecisionTest);
