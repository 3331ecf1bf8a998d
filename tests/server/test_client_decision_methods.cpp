// The client's decision and the lost mark in the proposal list and its filter (statuses
// "S" superseded and "P" lost, the IDDECCLIENTE column), and the methods that read the
// decision and set or clear the lost mark, on both engines.
#include <QMap>

#include "data_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kBranch = "0009";
const QDate kToday(2026, 12, 6);

QString nr(int n) { return QStringLiteral("8%1").arg(n, 19, 10, QLatin1Char('0')); }
QDateTime at(int days, int hour = 0) { return QDateTime(kToday.addDays(days), QTime(hour, 0)); }

// 1: 01 open, 02 accepted → 01 superseded. 2: 01 open, 02 accepted by the client on his
// page only → 01 superseded. 3: 01 lost (and past its validity), 02 declined by the
// client → 01 lost, 02 still by validity. 4: 01 accepted, 02 accepted by the client →
// 01 stays accepted. 5: 01 accepted and (by mistake) lost → accepted first.
// 6: open, ASSIST's. 7: open and due in five days, nothing else.
void prepare(server::Database& db) {
    db.exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0009', 'Filial de Testes')");
    db.exec("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) VALUES ('VENDEDOR', '0009'), ('ASSIST', '0009')");
    const QVariant open;
    for (const auto& [n, ver, validUntil, accepted, owner] :
         {std::tuple{1, "01", at(30), open, "VENDEDOR"}, {1, "02", at(30), QVariant(at(-3)), "VENDEDOR"},
          {2, "01", at(30), open, "VENDEDOR"}, {2, "02", at(30), open, "VENDEDOR"}, {3, "01", at(-2), open, "VENDEDOR"},
          {3, "02", at(30), open, "VENDEDOR"}, {4, "01", at(30), QVariant(at(-5)), "VENDEDOR"}, {4, "02", at(30), open, "VENDEDOR"},
          {5, "01", at(30), QVariant(at(-5)), "VENDEDOR"}, {6, "01", at(30), open, "ASSIST"}, {7, "01", at(5), open, "VENDEDOR"}})
        db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
                "DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS, "
                "IDTIPOCOBRSERV) VALUES (:NR, :VER, :FILIAL, 'N', 'C', '11222333000181', 'Decisão', :CRIADA, :VALIDADE, "
                ":ACEITE, :OP, :OP, 'M', 'P')",
                {{"NR", nr(n)}, {"VER", ver}, {"FILIAL", kBranch}, {"CRIADA", at(-40)}, {"VALIDADE", validUntil},
                 {"ACEITE", accepted}, {"OP", owner}});
    for (const auto& [n, kind, motive] : {std::tuple{2, "A", QVariant()}, {3, "R", QVariant("P")}, {4, "A", QVariant()}})
        db.exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, DSCARGODECISAO, "
                "IDMOTIVO, TXCOMENTARIO, DSENDIP, DSNAVEGADOR, TXHASHCONT) VALUES (:NR, '02', 1, :K, :D, 'Ana Souza', 'Diretora', "
                ":M, 'Caro demais', '203.0.113.9', 'Navegador', :H)",
                {{"NR", nr(n)}, {"K", kind}, {"D", at(-2, 14)}, {"M", motive}, {"H", QString(64, u'a')}});
    for (const int n : {3, 5})
        db.exec("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, CDOPERADOR, IDMOTIVO, TXMOTIVO) "
                "VALUES (:NR, '01', :D, 'VENDEDOR', 'C', 'Fechou com outro')", {{"NR", nr(n)}, {"D", at(-1, 9)}});
    // The number's accepted version, as the acceptance (or, for rows from before, the
    // schema's fill: the approved version first) leaves it.
    for (const auto& [n, ver] : {std::pair{1, "02"}, {2, "02"}, {4, "01"}, {5, "01"}})
        db.exec("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:NR, :VER, :D)",
                {{"NR", nr(n)}, {"VER", ver}, {"D", at(-3)}});
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

    // "n/ver" → the columns' values joined by '|', for this test's proposals.
    QMap<QString, QString> byVersion(const Packet& p, const QStringList& columns) {
        QMap<QString, QString> out;
        for (int i = 0; i < p.rows.size(); ++i)
            if (const QString number = p.value(i, "NRPROPOSFAS").toString(); number.startsWith(u'8')) {
                QStringList values;
                for (const QString& c : columns) values << p.value(i, c).toString();
                out.insert(QString::number(number.right(3).toInt()) + u'/' + p.value(i, "NRVERPROPFAS").toString(), values.join(u'|'));
            }
        return out;
    }
    QStringList listed(const QVariantList& args) { return byVersion(packet("GetPropostaAux", args), {"IDSITUACAO"}).keys(); }
    QString status(const char* version) { return byVersion(packet("GetProposta", {kBranch, "T"}), {"IDSITUACAO"}).value(version); }
};

TEST_P(ClientDecisionTest, ListStatusesPutAcceptedThenLostThenSupersededBeforeValidity) {
    // Status|client's decision of each version.
    const QMap<QString, QString> expected{{"1/01", "S|"}, {"1/02", "A|"}, {"2/01", "S|"}, {"2/02", "V|A"}, {"3/01", "P|"},
                                          {"3/02", "V|R"}, {"4/01", "A|"}, {"4/02", "S|A"}, {"5/01", "A|"}, {"6/01", "V|"},
                                          {"7/01", "E|"}};
    // Every list method carries both: the plain list and the filtered one.
    for (const auto& [method, args] : {std::pair<QString, QVariantList>{"GetProposta", {kBranch, "T"}},
                                       std::pair<QString, QVariantList>{"GetPropostaAux", filter()}}) {
        const Packet p = packet(method, args);
        ASSERT_GE(p.indexOf("IDDECCLIENTE"), 0) << method.toStdString();
        EXPECT_EQ(p.fields[p.indexOf("IDDECCLIENTE")].type, FieldType::FixedString);
        EXPECT_EQ(byVersion(p, {"IDSITUACAO", "IDDECCLIENTE"}), expected) << method.toStdString();
    }

    // The filter by the client's decision and by the new statuses; codes in any case. A lost or superseded version is never expired, valid or expiring;
    // both criteria hold together.
    const std::pair<QVariantList, QStringList> cases[] = {
        {filter("A"), {"2/02", "4/02"}}, {filter("r"), {"3/02"}},
        {filter("N"), {"1/01", "1/02", "2/01", "3/01", "4/01", "5/01", "6/01", "7/01"}},
        {filter("T", {"S"}), {"1/01", "2/01", "4/02"}}, {filter("T", {"P"}), {"3/01"}},
        {filter("T", {"S", "P"}), {"1/01", "2/01", "3/01", "4/02"}}, {filter("T", {"V"}), {}},
        {filter("T", {"VA"}), {"2/02", "3/02", "6/01"}}, {filter("T", {"AV", "P"}), {"3/01", "7/01"}},
        {filter("A", {"VA"}), {"2/02"}}};
    for (const auto& [args, expected] : cases) EXPECT_EQ(listed(args), expected) << args[19].toString().toStdString();
    // The 19-argument call of older desktops still works.
    EXPECT_EQ(byVersion(packet("GetPropostaAux", filter().mid(0, 19)), {"IDSITUACAO"}).size(), 11);

    EXPECT_EQ(call("GetPropostaAux", filter("X")).error, "Decisão do cliente inválida no filtro: \"X\".");
    QVariantList wrongSlot = filter();
    wrongSlot[20] = "P";  // the superseded slot takes only "S"
    EXPECT_EQ(call("GetPropostaAux", wrongSlot).error, "Situação de proposta inválida no filtro: \"P\".");
}

TEST_P(ClientDecisionTest, MarkingLostRefusesInOrderOrRecordsWhoWhenAndWhy) {
    // The decision and the lost mark come in one row.
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
    EXPECT_TRUE(packet("GetDecisaoCliente", {nr(7), "01"}).rows.isEmpty() && packet("GetDecisaoCliente", {nr(99), "01"}).rows.isEmpty());

    // Marking lost checks its input first, then the version's state (not stored, accepted,
    // already lost), writing nothing when it refuses; it records who, when and why;
    // unmarking removes it.
    // Accepted comes before already lost.
    cot::testing::expectEachRefused(server_.db(), [&](const QVariantList& args) { return call("MarcarPerdida", args); }, {
        {{nr(7), "01", "X", ""}, "Escolha o motivo da perda."}, {{nr(7), "01", "", ""}, "Escolha o motivo da perda."},
        {{nr(7), "01", "PZ", ""}, "Escolha o motivo da perda."},
        {{nr(7), "01", "P", QString(501, u'x')}, "O campo TXMOTIVO aceita no máximo 500 caracteres."},
        {{nr(99), "01", "P", ""}, "Proposta não cadastrada."}, {{nr(5), "01", "P", ""}, "A proposta já foi aceita."},
        {{nr(3), "01", "P", ""}, "A proposta já está marcada como perdida."}});
    EXPECT_EQ(call("DesmarcarPerdida", {nr(99), "01"}).error, "Proposta não cadastrada.");

    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "z", "  Prazo de entrega longo  "}).ok);
    EXPECT_EQ(cells(packet("GetDecisaoCliente", {nr(7), "01"}), 0, {"IDMOTIVOPERDA", "TXMOTIVOPERDA", "CDOPERPERDA", "DTPERDA"}),
              QStringList({"Z", "Prazo de entrega longo", server_.operatorCode(), "06/12/2026 10:00"}));
    EXPECT_EQ(status("7/01"), "P");
    EXPECT_EQ(count("SELECT COUNT(*) FROM HISTPROP WHERE NRPROPOSFAS = :N AND NMMETODO = 'MarcarPerdida'", {{"N", nr(7)}}), 1);

    ASSERT_TRUE(call("DesmarcarPerdida", {nr(7), "01"}).ok);
    EXPECT_EQ(status("7/01"), "E");
    EXPECT_EQ(call("DesmarcarPerdida", {nr(7), "01"}).error, "A proposta não está marcada como perdida.");
    // Without a text: none kept; 500 characters fit.
    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "O", "   "}).ok);
    EXPECT_TRUE(packet("GetDecisaoCliente", {nr(7), "01"}).value(0, "TXMOTIVOPERDA").isNull());
    ASSERT_TRUE(call("DesmarcarPerdida", {nr(7), "01"}).ok);
    ASSERT_TRUE(call("MarcarPerdida", {nr(7), "01", "P", QString(500, u'x')}).ok);
}

}  // namespace

COT_ON_EVERY_BACKEND(ClientDecisionTest);
