// Acceptance of a proposal: the contract and charging generated from the version's
// schedules, a prospect registered as a client in the same transaction, nothing left by
// an acceptance that fails half-way or is refused, one winner among simultaneous ones;
// and the questions the approval asks around it.
#include <latch>
#include <thread>

#include "support/refused_inserts.h"
#include "support/packet_cells.h"
#include "deal_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kBeta = "22333444000172";
const QString kGama = "33444555000163";
const QString kDelta = "77888999000127";  // prospect of proposal 4
const QString kZeta = "88999000000118";   // prospect of proposal 7
const QString kAccepted = "Proposta já aceita. O aceite não pode ser registrado novamente.";
const QString kToday = "2026-12-06";
// Proposal 4's first installment falls due on this day: accepted later, it would be late.
const QString kDeltaDay = "2026-11-16";
const QString kNoSum = "O somatório dos vencimentos está diferente do valor da Proposta. O valor dos vencimentos deve "
                       "ser alterado.";
const QString kRegistered = "Cliente já cadastrado para inscrição informada.";
// A version's schedules and the charges its acceptance made of them, as rows() reads them.
const char* const kLicenceSchedule = "SELECT CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP FROM VENCLINPPROP WHERE NRPROPOSFAS = :N "
                                     "AND NRVERPROPFAS = '01' ORDER BY CDLINPPROP, DTVELUSOPEDP";
const char* const kLicenceCharges = "SELECT CDLINPPROP, DTVENCCOBR, VRCOBR FROM COBRPROP WHERE NRPROPOSFAS = :N AND "
                                    "IDORIGCOBR = 'L' ORDER BY NRSEQCOBR";
const char* const kPackageSchedule = "SELECT '', DTVENCSERVPROP, VRVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N "
                                     "AND NRVERPROPFAS = '01' ORDER BY DTVENCSERVPROP";
const char* const kPackageCharges = "SELECT '', DTVENCCOBR, VRCOBR FROM COBRPROP WHERE NRPROPOSFAS = :N AND "
                                    "IDORIGCOBR = 'S' ORDER BY NRSEQCOBR";

class AcceptanceMethodsTest : public cot::testing::DemoServerTest {
protected:
    RpcResult accept(int proposal, const QString& code, const QVariant& client = {}, const QString& day = kToday) {
        QVariantList args{nr(proposal), "01", code, day, "07", "0001", "VENDEDOR"};
        if (client.isValid()) args << client;
        return call("AceiteProposta", args);
    }
    // InsereCliente's eight values for Delta, as the approval dialog sends them.
    static QVariantList deltaClient() {
        return {kDelta, "77.888.999/0001-27", "Delta Engenharia e Projetos Ltda", "Sala 12", "Delta Engenharia",
                "J", "J77.888.999/0001-27", "VENDEDOR"};
    }
    int clients(const QString& code) { return count("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C", {{"C", code}}); }
    int charges(int proposal) { return count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", {{"N", nr(proposal)}}); }
    // Everything an acceptance of `proposal` writes, counted.
    int written(int proposal, const QString& client) {
        const QVariantMap p{{"N", nr(proposal)}, {"C", client}};
        return charges(proposal) + count("SELECT COUNT(*) FROM LINPCLIE WHERE NRPROPOSFAS = :N", p) +
               count("SELECT COUNT(*) FROM SERVCLIE WHERE NRPROPOSFAS = :N", p) +
               count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS IS NOT NULL", p) +
               count("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C AND CDPROSPECT IS NOT NULL", p) +
               count("SELECT COUNT(*) FROM PROSPECT WHERE CDCLIENTE IS NOT NULL", p);
    }
    // Charges of one origin against the schedule they come from, as "line|day|cents" rows.
    QStringList rows(const char* sql, int proposal) {
        const Packet p = server_.db().query(QString::fromLatin1(sql), {{"N", nr(proposal)}});
        QStringList out;
        for (const QVariantList& row : p.rows)
            out << QStringLiteral("%1|%2|%3").arg(row.value(0).toString(), row.value(1).toDateTime().date().toString(Qt::ISODate))
                       .arg(qRound64(row.value(2).toDouble() * 100));
        return out;
    }
    QStringList query(const QString& sql, const QString& key) { return rowTexts(server_.db(), sql, {{"K", key}}); }
    // Whether the launch check of (client, service type) for `proposal` finds the type under contract.
    qsizetype contracted(const QString& client, const char* type, int proposal = 99) {
        return packet("Valida_Servico_LinhaProd", {client, type, nr(proposal), "01"}).rows.size();
    }
    // Each call from its own thread, connection and session, all released at once; exactly
    // one goes through, each other one is refused as already accepted.
    void expectOneWinner(const std::vector<QVariantList>& calls) {
        std::vector<QByteArray> tokens;
        for (size_t i = 0; i < calls.size(); ++i) tokens.push_back(server_.openSession("VENDEDOR"));
        std::vector<RpcResult> results(calls.size());
        std::latch start(static_cast<std::ptrdiff_t>(calls.size()));
        std::vector<std::thread> threads;
        for (size_t i = 0; i < calls.size(); ++i)
            threads.emplace_back([&, i] {
                auto connection = server_.newConnection();
                connection->setToken(tokens[i]);
                start.arrive_and_wait();
                results[i] = connection->call("AceiteProposta", calls[i]);
            });
        for (std::thread& t : threads) t.join();
        int won = 0;
        for (const RpcResult& r : results) EXPECT_TRUE(r.ok ? ++won > 0 : r.error == kAccepted) << r.error.toStdString();
        EXPECT_EQ(won, 1);
    }
};

TEST_P(AcceptanceMethodsTest, AClientsProposalPutsItsLinesAndServicesUnderContractAndChargesItsSchedules) {
    const RpcResult r = accept(2, kBeta);
    ASSERT_TRUE(succeeded(r));
    const Packet answer = r.value.value<Packet>();
    EXPECT_EQ(cells(answer, 0, {"CDCLIENTE", "IDCLIENTENOVO", "QTLINHAS", "QTSERVICOS", "QTCOBRANCAS", "VRCOBRPACOTE"})
                  << QString::number(answer.rows.size()), QStringList({kBeta, "N", "2", "2", "10", "7728", "1"}));

    // One licence charge per installment of each line (7), one package charge per package installment (3).
    EXPECT_EQ(rows(kLicenceCharges, 2), rows(kLicenceSchedule, 2));
    EXPECT_EQ(rows(kPackageCharges, 2), rows(kPackageSchedule, 2));
    EXPECT_EQ(query("SELECT COUNT(*), SUM(VRCOBR) FROM COBRPROP WHERE NRPROPOSFAS = :K AND IDORIGCOBR = 'S'", nr(2)),
              QStringList{"3|7728"});
    EXPECT_EQ(qRound64(answer.value(0, "VRCOBRLICUSO").toDouble() * 100),
              qRound64(server_.db().scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N",
                                           {{"N", nr(2)}}).toDouble() * 100));
    const QVariantMap beta{{"N", nr(2)}, {"C", kBeta}};
    EXPECT_EQ(QList<int>({count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N AND CDCLIENTE = :C AND CDFILIAL = "
                                "'0001' AND NRMESREAJCOBR = '07' AND CDOPERINCL = 'VENDEDOR'", beta),
                          count("SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C AND NRMESREAJLINC = '07'", beta),
                          count("SELECT COUNT(*) FROM SISTLINPCLIE WHERE CDCLIENTE = :C", beta),
                          count("SELECT COUNT(*) FROM SERVCLIE WHERE CDCLIENTE = :C AND NRPROPOSFAS = :N AND "
                                "IDTIPOCOBRCLIE = 'P'", beta)}), QList<int>({10, 2, 4, 2}));

    // The contracted lines keep the discounted prices and their systems' configuration.
    EXPECT_EQ(query("SELECT CDLINPPROPINFOR, CDSISTEMAS, VRLICENCUSOC, VRMENSALIDAC, QTMINIMAFATC, NRMESREAJLINC "
                    "FROM LINPCLIE WHERE CDCLIENTE = :K ORDER BY CDLINPCLIE", kBeta).value(0),
              "2001|WEB00001 WEB00002 WEB00003|950|120|10|07");
    EXPECT_EQ(query("SELECT DTACEPROPFAS, CDOPERACEITE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :K", nr(2)),
              QStringList{"06/12/2026|VENDEDOR"});
    // The line is now in the contract: the launch checks of another proposal find it; the
    // version's own services aside.
    EXPECT_EQ(QList<qsizetype>({contracted(kBeta, "001", 9), contracted(kBeta, "001", 2)}), QList<qsizetype>({1, 0}));

    // Accepted once: a second acceptance writes nothing.
    const int before = written(2, kBeta);
    EXPECT_EQ(accept(2, kBeta).error, kAccepted);
    EXPECT_EQ(written(2, kBeta), before);
}

TEST_P(AcceptanceMethodsTest, AProspectBecomesAClientInTheSameTransactionAsTheAcceptance) {
    // Without the client's data there is no client to charge: refused, nothing written.
    EXPECT_EQ(accept(4, kDelta, {}, kDeltaDay).error, "Não é possivel aprovar proposta com prospect.");
    EXPECT_EQ(written(4, kDelta), 0);

    // A failure while charging (the client's data in its packet form this time) leaves
    // neither client nor acceptance, and no refusal text of the engine's.
    Packet data;
    for (const char* n : {"CDPROSPECT", "NRINSJURCLIE", "NMRAZSOCCLIE", "DSCOMPLCLIE", "NMFANTCLIE", "IDTPIJURCLIE",
                          "TPINSCRICAO", "CDOPERADOR"})
        data.fields << FieldDef{QString::fromLatin1(n), FieldType::String, 60};
    data.rows << deltaClient();
    RefusedInserts refused(server_.db(), server_.backend(), "COBRPROP", "NEW.NRSEQCOBR = 2");
    const RpcResult failed = accept(4, kDelta, QVariant::fromValue(data), kDeltaDay);
    ASSERT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.contains("COBRPROP") || failed.error.contains("INSERT", Qt::CaseInsensitive))
        << failed.error.toStdString();
    EXPECT_EQ(written(4, kDelta), 0) << "no client, no acceptance date, no contract, no charge";
    EXPECT_EQ(clients(kDelta) + count("SELECT COUNT(*) FROM ENDECLIE WHERE CDCLIENTE = :C", {{"C", kDelta}}), 0);

    // Mended, the same acceptance goes through: the prospect was never left half a client.
    refused.lift();
    const RpcResult r = accept(4, kDelta, QVariant::fromValue(data), kDeltaDay);
    ASSERT_TRUE(succeeded(r));
    EXPECT_EQ(cells(r.value.value<Packet>(), 0, {"CDCLIENTE", "IDCLIENTENOVO"}), QStringList({kDelta, "S"}));
    EXPECT_EQ(query("SELECT NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, CDPROSPECT, CDFILIAL, CDOPERINCL, NRMESREAJCLIE "
                    "FROM CLIENTE WHERE CDCLIENTE = :K", kDelta),
              QStringList{kDelta + "|J|Delta Engenharia|" + kDelta + "|0001|VENDEDOR|07"});
    EXPECT_EQ(query("SELECT DSCOMPLENDE FROM ENDECLIE WHERE CDCLIENTE = :K AND IDTPENDECLIE = 'P'", kDelta) +
                  query("SELECT CDCLIENTE FROM PROSPECT WHERE CDPROSPECT = :K", kDelta), QStringList({"Sala 12", kDelta}));
    EXPECT_EQ(query("SELECT IDCLIENPROSP, CDCLIENTE, CDPROSPECT FROM PROPOSTAFAS WHERE NRPROPOSFAS = :K", nr(4)),
              QStringList{"C|" + kDelta + "|" + kDelta}) << "where the client came from stays";
    EXPECT_EQ(rows(kLicenceCharges, 4), rows(kLicenceSchedule, 4));
    EXPECT_EQ(charges(4), 2);
}

TEST_P(AcceptanceMethodsTest, AProspectIsRegisteredOnceByTheSessionsOperatorAndThenAcceptedByItsOwnCall) {
    // The client is registered by the session's operator, for one of his branches.
    const QString actingAsGerente = "O operador VENDEDOR não pode agir como o operador GERENTE.";
    QVariantList other = deltaClient();
    other[7] = "GERENTE";
    EXPECT_EQ(accept(4, kDelta, other, kDeltaDay).error, actingAsGerente);
    EXPECT_EQ(accept(2, kBeta, other).error, actingAsGerente) << "even where the data would not be used";
    EXPECT_EQ(call("InsereCliente", other).error, actingAsGerente);

    // A prospect of a branch the operator does not work in.
    server_.db().exec("UPDATE PROSPECT SET CDFILIAL = '0002' WHERE CDPROSPECT = :P", {{"P", kDelta}});
    auto gerente = server_.newConnection();
    gerente->setToken(server_.openSession("GERENTE"));
    const QString notHisBranch = "O operador GERENTE não trabalha na filial 0002.";
    EXPECT_EQ(gerente->call("InsereCliente", other).error, notHisBranch);
    EXPECT_EQ(gerente->call("AceiteProposta", {nr(4), "01", kDelta, kDeltaDay, "07", "0001", "GERENTE", other}).error,
              notHisBranch);
    EXPECT_EQ(written(4, kDelta) + clients(kDelta), 0);

    const QVariantList zeta{kZeta, "88999000000118", "Zeta Transportes Rodoviários Ltda", "", "Zeta Transportes",
                            "", "J88999000000118", "VENDEDOR"};
    EXPECT_EQ(cells(packet("InsereCliente", zeta), 0, {"CDCLIENTE", "IDTPIJURCLIE"}), QStringList({kZeta, "J"}));
    EXPECT_EQ(call("InsereCliente", zeta).error, kRegistered);
    // What the approval asks before registering: the inscription as kept, for its person kind.
    QVariantList registered;
    for (const auto& [inscription, kind] : {std::pair{"88999000000118", "J"}, {" 22333444000172 ", "J"},
                                            {"22333444000172", "F"}, {"88999000000119", "J"}})
        registered << call("GetClienteCadastrado", {inscription, kind}).value;
    EXPECT_EQ(registered, QVariantList({true, true, false, false}));

    // Delta's data with one value changed; the second: another prospect under a client's inscription.
    const struct { int index; QVariant value; QString error; } cases[] = {
        {0, "00000000000000", "Prospect não cadastrado."}, {1, "22.333.444/0001-72", kRegistered},
        {1, " ", "Inscrição deve ser informada."}, {2, "", "Razão Social deve ser informada."},
        {4, "", "Nome Fantasia deve ser informado."}, {4, QString(51, 'x'), "O campo NMFANTCLIE aceita no máximo 50 caracteres."},
        {5, "F", "Tipo de pessoa não corresponde à inscrição informada."}};
    for (const auto& c : cases) {
        QVariantList args = deltaClient();
        args[c.index] = c.value;
        EXPECT_EQ(call("InsereCliente", args).error, c.error) << c.index;
    }
    EXPECT_EQ(clients(kDelta), 0);

    // Proposal 7 (services only, charged as a package) is accepted with the prospect's code.
    const RpcResult r = accept(7, kZeta);
    ASSERT_TRUE(succeeded(r));
    EXPECT_EQ(cells(r.value.value<Packet>(), 0, {"CDCLIENTE", "IDCLIENTENOVO"}), QStringList({kZeta, "N"}));
    EXPECT_EQ(rows(kPackageCharges, 7), rows(kPackageSchedule, 7));
    EXPECT_EQ(count("SELECT COUNT(*) FROM SERVCLIE WHERE CDCLIENTE = :C", {{"C", kZeta}}), 3);
    // The service types contracted now answer for the prospect's code too; a prospect without
    // a client has no contract.
    EXPECT_EQ(QList<qsizetype>({contracted(kZeta, "004"), contracted(kZeta, "005"), contracted(kDelta, "001")}),
              QList<qsizetype>({1, 0, 0}));

    // Who works there registers it (the data as a list), for that branch.
    ASSERT_TRUE(accept(4, kDelta, deltaClient(), kDeltaDay).ok);
    EXPECT_EQ(query("SELECT CDFILIAL FROM CLIENTE WHERE CDCLIENTE = :K", kDelta), QStringList{"0002"});
}

TEST_P(AcceptanceMethodsTest, RefusedAcceptancesWriteNothing) {
    const QString client = "11222333000181";
    // Proposal 2's acceptance by Beta with one argument changed.
    const struct { int proposal, index; QVariant value; QString error; } cases[] = {
        {5, 2, "44555666000154", "Não é possível dar o aceite em uma proposta do tipo Solicitação."},
        {2, 3, "", "Data de aprovação deve ser informada."},
        {2, 3, "2026-11-25", "Data de aprovação não pode ser menor que data da proposta."},
        {2, 4, "13", "Mês de reajuste inválido: informe um mês de 01 a 12."},
        {2, 5, "0002", "Proposta não pertence à filial informada."},
        {2, 2, client, "Cliente informado não corresponde ao da proposta."}, {2, 1, "09", "Proposta não cadastrada."},
        {1, 2, client, kAccepted},
    };
    for (const auto& c : cases) {
        QVariantList args{nr(c.proposal), "01", kBeta, kToday, "07", "0001", "VENDEDOR"};
        args[c.index] = c.value;
        EXPECT_EQ(call("AceiteProposta", args).error, c.error) << c.error.toStdString();
    }
    // The client's data is an optional eighth argument.
    // Proposal 2's seven arguments, then `more`; the last one dropped when `more` is empty.
    const auto refusal = [&](const QJsonArray& more) {
        QJsonArray args{nr(2), "01", kBeta, kToday, "07", "0001", "VENDEDOR"};
        if (more.isEmpty()) args.removeLast();
        for (const QJsonValue& v : more) args << v;
        return server_.call("AceiteProposta", args).value("error").toObject();
    };
    EXPECT_EQ(refusal({}).value("message").toString(), "O método AceiteProposta espera de 7 a 8 argumentos; recebeu 6.");
    for (const QJsonArray& more : {QJsonArray{}, QJsonArray{QJsonValue::Null, "x"}, QJsonArray{"texto"}})
        EXPECT_EQ(refusal(more).value("code").toInt(), -32602) << more.size();
    EXPECT_EQ(written(2, kBeta), 0);
    // A client's proposal takes no registration: the data is ignored, and null is "not given".
    EXPECT_TRUE(refusal({QJsonValue::Null}).isEmpty());

    // One version of a proposal is accepted, not two.
    ASSERT_TRUE(call("AceiteProposta", {nr(6), "03", client, kToday, "03", "0001", "VENDEDOR"}).ok);
    EXPECT_EQ(call("AceiteProposta", {nr(6), "02", client, kToday, "03", "0001", "VENDEDOR"}).error,
              "A proposta 6/03 já foi aceita; a versão 6/02 não pode ser aprovada.");
}

TEST_P(AcceptanceMethodsTest, SchedulesAndDatesTheApprovalRefusesAreRefusedWithItsTexts) {
    server::Database& db = server_.db();
    // Proposal 2's first installment of a licence (VENCLINPPROP) or of the package, changed by `set`.
    const auto first = [&](const QString& table, const QString& set, QVariantMap params = {}) {
        const QString due = table == "VENCLINPPROP" ? "DTVELUSOPEDP" : "DTVENCSERVPROP";
        params.insert("N", nr(2));
        db.exec(QString("UPDATE %1 SET %2 WHERE NRPROPOSFAS = :N AND %3 = (SELECT MIN(%3) FROM %1 WHERE NRPROPOSFAS = :N)")
                    .arg(table, set, due), params);
    };
    // A licence or a package whose installments no longer add up is not charged.
    first("VENCLINPPROP", "VRVELUSOPEDP = VRVELUSOPEDP + 0.01");
    EXPECT_EQ(accept(2, kBeta).error, kNoSum);
    first("VENCLINPPROP", "VRVELUSOPEDP = VRVELUSOPEDP - 0.01");
    first("VENCSERVPROP", "VRVENCSERVPROP = VRVENCSERVPROP + 0.01");
    EXPECT_EQ(accept(2, kBeta).error, "O somatório dos vencimentos dos serviços está diferente do valor do pacote da "
                                      "Proposta. O valor dos vencimentos deve ser alterado.");
    first("VENCSERVPROP", "VRVENCSERVPROP = VRVENCSERVPROP - 0.01");

    // Installments due before the acceptance, listed line by line; the grace month first.
    EXPECT_EQ(accept(2, kBeta, {}, "2027-01-10").error,
              "As seguintes linhas de produto estão com o vencimento menor que a data do aceite (10/01/2027):\n"
              "2001 - ERP Web completo (26/12/2026)\n2002 - Escrita Fiscal Web (26/12/2026)");
    EXPECT_EQ(accept(2, kBeta, {}, "2027-02-01").error,
              "Operação bloqueada! Mês de carência deve ser maior ou igual ao mês da data de aceite da proposta.\n"
              "2001 - ERP Web completo (01/2027)\n2002 - Escrita Fiscal Web (01/2027)");
    first("VENCSERVPROP", "DTVENCSERVPROP = :D", {{"D", QDateTime(QDate(2026, 12, 1), QTime(0, 0))}});
    EXPECT_EQ(accept(2, kBeta).error,
              "O vencimento dos serviços da proposta está menor que a data do aceite (06/12/2026). Operação Bloqueada.");
    first("VENCSERVPROP", "DTVENCSERVPROP = :D", {{"D", QDateTime(QDate(2026, 12, 26), QTime(0, 0))}});
    EXPECT_EQ(written(2, kBeta), 0);
    EXPECT_TRUE(accept(2, kBeta).ok) << "mended, the same acceptance goes through";

    // A prospect's acceptance refused for a late installment registers no client either.
    EXPECT_EQ(accept(4, kDelta, deltaClient()).error,
              "As seguintes linhas de produto estão com o vencimento menor que a data do aceite (06/12/2026):\n"
              "4001 - Folha Web (16/11/2026)");
    EXPECT_EQ(written(4, kDelta) + clients(kDelta), 0);

    // A rental's line with installments that pay nothing it owes; the approval refuses it
    // whatever the contract.
    const QVariantList rental{nr(3), "01", kGama, kToday, "01", "0001", "VENDEDOR"};
    const QVariantMap line{{"N", nr(3)}, {"L", nr(5)}, {"D", QDateTime(QDate(2027, 1, 10), QTime(0, 0))}};
    db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
            "VALUES (:N, '01', :L, :D, 100)", line);
    EXPECT_EQ(call("AceiteProposta", rental).error, kNoSum);
    EXPECT_EQ(written(3, kGama), 0);
    // Without them, the rental is contracted by its monthly value less its discount, nothing
    // charged at once; the monthly charge starts after the grace month.
    db.exec("DELETE FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND CDLINPPROP = :L AND DTVELUSOPEDP = :D", line);
    const RpcResult r = call("AceiteProposta", rental);
    ASSERT_TRUE(succeeded(r));
    EXPECT_EQ(std::pair(r.value.value<Packet>().value(0, "QTCOBRANCAS").toInt(), charges(3)), std::pair(0, 0));
    EXPECT_EQ(query("SELECT IDTIPLINPC, VRLICENCUSOC, VRMENSALIDAC, CDSISTEMAS FROM LINPCLIE "
                    "WHERE CDCLIENTE = :K AND DTCALUSLINPC IS NOT NULL", kGama), QStringList{"L|0|200|WIN00001 WIN00002"});
}

TEST_P(AcceptanceMethodsTest, TheNotificationParametersComeByLanguageAndKey) {
    for (const char* language : {"POR", "ESP"})
        for (const char* key : {"COT05000_PROPCOM", "COT05000_PROPSERV"}) {
            const Packet p = packet("GetParamEmail", {language, key});
            ASSERT_EQ(p.rows.size(), 1) << language << key;
            const QString text = p.value(0, "TXTEXTOPAREMAIL").toString();
            EXPECT_FALSE(cells(p, 0, {"DSASSUNPAREMAIL", "TXENDERPAREMAIL"}).contains("") || !text.contains("#PROPOSTA") ||
                         (QString(key).endsWith("SERV") && !text.contains("#VALORPACOTESERVICO")));
        }
    EXPECT_EQ(cells(packet("GetParamEmail", {"POR", "COT05000_PROPSERV"}), 0, {"IDSITUPARAEMAIL"}), QStringList{"A"});
    const Packet none = packet("GetParamEmail", {"POR", "COT05000_OUTRO"});
    EXPECT_TRUE(none.rows.isEmpty() && none.indexOf("IDSITUPARAEMAIL") >= 0) << "an empty table still has its fields";
    // The branches send through the local relay.
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDEFILI WHERE IDTPENDEFILI = 'P' AND DSSMTPEMAILF = '127.0.0.1:2525'"), 2);
}

// Four acceptances of proposal 4 at the same moment, before its first installment falls due:
// the proposal is taken before the client is registered. Exactly one wins; the contract and
// the charges are written once.
TEST_P(AcceptanceMethodsTest, OfSimultaneousAcceptancesExactlyOneWinsAndChargesOnce) {
    const QVariantList once{nr(4), "01", kDelta, kDeltaDay, "07", "0001", "VENDEDOR", deltaClient()};
    expectOneWinner({once, once, once, once});
    EXPECT_EQ(QList<int>({charges(4), count("SELECT COUNT(*) FROM LINPCLIE WHERE NRPROPOSFAS = :N", {{"N", nr(4)}}),
                          clients(kDelta)}), QList<int>({2, 1, 1}));
}

COT_ON_EVERY_BACKEND(AcceptanceMethodsTest);

}  // namespace
