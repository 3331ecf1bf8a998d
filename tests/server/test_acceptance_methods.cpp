// Acceptance of a proposal: the contract and charging generated from the version's
// schedules, a prospect registered as a client in the same transaction, nothing left by
// an acceptance that fails half-way or is refused, one winner among simultaneous ones;
// and the questions the approval asks around it.
#include <gtest/gtest.h>
#include <latch>
#include <thread>
#include <QJsonArray>
#include <QJsonObject>

#include "support/refused_inserts.h"
#include "support/packet_cells.h"
#include "deal_cases.h"

using namespace cot;
using cot::testing::RefusedInserts;
using cot::testing::cells;
using cot::testing::nr;
using cot::testing::rowTexts;
using cot::testing::succeeded;

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
    // Everything an acceptance of `proposal` writes, counted.
    int written(int proposal, const QString& client) {
        const QVariantMap p{{"N", nr(proposal)}, {"C", client}};
        return count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", p) +
               count("SELECT COUNT(*) FROM LINPCLIE WHERE NRPROPOSFAS = :N", p) +
               count("SELECT COUNT(*) FROM SERVCLIE WHERE NRPROPOSFAS = :N", p) +
               count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS IS NOT NULL", p) +
               count("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C AND CDPROSPECT IS NOT NULL", p) +
               count("SELECT COUNT(*) FROM PROSPECT WHERE CDCLIENTE IS NOT NULL", p);
    }
    // Charges of one origin against the schedule they come from, as "line|day|cents" rows.
    QStringList rows(const char* sql, int proposal) {
        const Packet p = server_.db().query(QString::fromLatin1(sql), {{"N", nr(proposal)}});
        QStringList out;
        for (int i = 0; i < p.rows.size(); ++i)
            out << QStringLiteral("%1|%2|%3")
                       .arg(p.rows[i].value(0).toString(), p.rows[i].value(1).toDateTime().date().toString(Qt::ISODate))
                       .arg(qRound64(p.rows[i].value(2).toDouble() * 100));
        return out;
    }
    QStringList query(const QString& sql, const QString& key) { return rowTexts(server_.db(), sql, {{"K", key}}); }

    // Each call from its own thread, connection and session, all released at once.
    std::vector<RpcResult> together(const std::vector<QVariantList>& calls) {
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
        return results;
    }
    // Of simultaneous calls exactly one goes through; each other one is refused as `refused` says.
    void expectOneWinner(const std::vector<QVariantList>& calls, const std::function<bool(const QString&)>& refused) {
        int won = 0;
        for (const RpcResult& r : together(calls)) {
            if (r.ok) ++won;
            else EXPECT_TRUE(refused(r.error)) << r.error.toStdString();
        }
        EXPECT_EQ(won, 1);
    }
};

TEST_P(AcceptanceMethodsTest, AClientsProposalPutsItsLinesAndServicesUnderContractAndChargesItsSchedules) {
    const RpcResult r = accept(2, kBeta);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const Packet answer = r.value.value<Packet>();
    ASSERT_EQ(answer.rows.size(), 1);
    EXPECT_EQ(cells(answer, 0, {"CDCLIENTE", "IDCLIENTENOVO", "QTLINHAS", "QTSERVICOS", "QTCOBRANCAS", "VRCOBRPACOTE"}),
              QStringList({kBeta, "N", "2", "2", "10", "7728"}));

    // One licence charge per installment of each line (7), one package charge per package installment (3).
    EXPECT_EQ(rows(kLicenceCharges, 2), rows(kLicenceSchedule, 2));
    EXPECT_EQ(rows(kPackageCharges, 2), rows(kPackageSchedule, 2));
    EXPECT_EQ(QList<qsizetype>({rows(kLicenceSchedule, 2).size(), rows(kPackageSchedule, 2).size()}), QList<qsizetype>({7, 3}));
    EXPECT_EQ(qRound64(answer.value(0, "VRCOBRLICUSO").toDouble() * 100),
              qRound64(server_.db().scalar("SELECT SUM(VRVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N",
                                           {{"N", nr(2)}}).toDouble() * 100));
    EXPECT_EQ(query("SELECT COUNT(*), SUM(VRCOBR) FROM COBRPROP WHERE NRPROPOSFAS = :K AND IDORIGCOBR = 'S'", nr(2)),
              QStringList{"3|7728"});
    EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N AND CDCLIENTE = :C AND CDFILIAL = '0001' "
                    "AND NRMESREAJCOBR = '07' AND CDOPERINCL = 'VENDEDOR'",
                    {{"N", nr(2)}, {"C", kBeta}}), 10);

    // The contracted lines keep the discounted prices and their systems' configuration.
    EXPECT_EQ(query("SELECT CDLINPPROPINFOR, CDSISTEMAS, VRLICENCUSOC, VRMENSALIDAC, QTMINIMAFATC, NRMESREAJLINC "
                    "FROM LINPCLIE WHERE CDCLIENTE = :K ORDER BY CDLINPCLIE", kBeta).value(0),
              "2001|WEB00001 WEB00002 WEB00003|950|120|10|07");
    EXPECT_EQ(count("SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = :C AND NRMESREAJLINC = '07'", {{"C", kBeta}}), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM SISTLINPCLIE WHERE CDCLIENTE = :C", {{"C", kBeta}}), 4);
    EXPECT_EQ(count("SELECT COUNT(*) FROM SERVCLIE WHERE CDCLIENTE = :C AND NRPROPOSFAS = :N AND "
                    "IDTIPOCOBRCLIE = 'P'", {{"C", kBeta}, {"N", nr(2)}}), 2);
    EXPECT_EQ(query("SELECT DTACEPROPFAS, CDOPERACEITE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :K", nr(2)),
              QStringList{"06/12/2026|VENDEDOR"});

    // The line is now in the contract: the launch checks of another proposal find it; the
    // version's own services aside.
    EXPECT_EQ(QList<qsizetype>({packet("Valida_Servico_LinhaProd", {kBeta, "001", nr(9), "01"}).rows.size(),
                                packet("Valida_Servico_LinhaProd", {kBeta, "001", nr(2), "01"}).rows.size()}),
              QList<qsizetype>({1, 0}));

    // Accepted once: a second acceptance writes nothing.
    const int before = written(2, kBeta);
    EXPECT_EQ(accept(2, kBeta).error, kAccepted);
    EXPECT_EQ(written(2, kBeta), before);
}

TEST_P(AcceptanceMethodsTest, ARentalIsContractedByItsMonthlyValueWithNothingChargedAtOnce) {
    const RpcResult r = call("AceiteProposta", {nr(3), "01", kGama, kToday, "01", "0001", "VENDEDOR"});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.value.value<Packet>().value(0, "QTCOBRANCAS").toInt(), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", {{"N", nr(3)}}), 0);
    // The monthly value less its discount; the monthly charge starts after the grace month.
    EXPECT_EQ(query("SELECT IDTIPLINPC, VRLICENCUSOC, VRMENSALIDAC, CDSISTEMAS FROM LINPCLIE "
                    "WHERE CDCLIENTE = :K AND DTCALUSLINPC IS NOT NULL", kGama),
              QStringList{"L|0|200|WIN00001 WIN00002"});
}

TEST_P(AcceptanceMethodsTest, AProspectBecomesAClientInTheSameTransactionAsTheAcceptance) {
    // Without the client's data there is no client to charge: refused, nothing written.
    EXPECT_EQ(accept(4, kDelta, {}, kDeltaDay).error, "Não é possivel aprovar proposta com prospect.");
    EXPECT_EQ(written(4, kDelta), 0);

    const RpcResult r = accept(4, kDelta, deltaClient(), kDeltaDay);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(cells(r.value.value<Packet>(), 0, {"CDCLIENTE", "IDCLIENTENOVO"}), QStringList({kDelta, "S"}));
    EXPECT_EQ(query("SELECT NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, CDPROSPECT, CDFILIAL, CDOPERINCL, NRMESREAJCLIE "
                    "FROM CLIENTE WHERE CDCLIENTE = :K", kDelta),
              QStringList{kDelta + "|J|Delta Engenharia|" + kDelta + "|0001|VENDEDOR|07"});
    EXPECT_EQ(query("SELECT DSCOMPLENDE FROM ENDECLIE WHERE CDCLIENTE = :K AND IDTPENDECLIE = 'P'", kDelta) +
                  query("SELECT CDCLIENTE FROM PROSPECT WHERE CDPROSPECT = :K", kDelta),
              QStringList({"Sala 12", kDelta}));
    EXPECT_EQ(query("SELECT IDCLIENPROSP, CDCLIENTE, CDPROSPECT FROM PROPOSTAFAS WHERE NRPROPOSFAS = :K", nr(4)),
              QStringList{"C|" + kDelta + "|" + kDelta}) << "where the client came from stays";
    EXPECT_EQ(rows(kLicenceCharges, 4), rows(kLicenceSchedule, 4));
    EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", {{"N", nr(4)}}), 2);
}

TEST_P(AcceptanceMethodsTest, AFailureWhileChargingLeavesNeitherClientNorAcceptance) {
    RefusedInserts refused(server_.db(), server_.backend(), "COBRPROP", "NEW.NRSEQCOBR = 2");
    // Packet form of the client's data this time.
    Packet data;
    for (const char* n : {"CDPROSPECT", "NRINSJURCLIE", "NMRAZSOCCLIE", "DSCOMPLCLIE", "NMFANTCLIE", "IDTPIJURCLIE",
                          "TPINSCRICAO", "CDOPERADOR"})
        data.fields << FieldDef{QString::fromLatin1(n), FieldType::String, 60};
    data.rows << deltaClient();
    const RpcResult failed = accept(4, kDelta, QVariant::fromValue(data), kDeltaDay);
    ASSERT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.contains("COBRPROP") || failed.error.contains("INSERT", Qt::CaseInsensitive))
        << failed.error.toStdString();
    EXPECT_EQ(written(4, kDelta), 0) << "no client, no acceptance date, no contract, no charge";
    EXPECT_EQ(clients(kDelta) + count("SELECT COUNT(*) FROM ENDECLIE WHERE CDCLIENTE = :C", {{"C", kDelta}}), 0);

    // Mended, the same acceptance goes through: the prospect was never left half a client.
    refused.lift();
    ASSERT_TRUE(succeeded(accept(4, kDelta, QVariant::fromValue(data), kDeltaDay)));
    EXPECT_EQ(count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", {{"N", nr(4)}}), 2);
}

TEST_P(AcceptanceMethodsTest, AProspectIsRegisteredOnceAndThenAcceptedByItsOwnCall) {
    const QVariantList zeta{kZeta, "88999000000118", "Zeta Transportes Rodoviários Ltda", "", "Zeta Transportes",
                            "", "J88999000000118", "VENDEDOR"};
    EXPECT_EQ(cells(packet("InsereCliente", zeta), 0, {"CDCLIENTE", "IDTPIJURCLIE"}), QStringList({kZeta, "J"}));
    EXPECT_EQ(call("InsereCliente", zeta).error, kRegistered);
    // What the approval asks before registering: the inscription as kept, for its person kind.
    const auto registered = [this](const char* inscription, const char* kind) {
        return call("GetClienteCadastrado", {inscription, kind}).value;
    };
    EXPECT_EQ(QVariantList({registered("88999000000118", "J"), registered(" 22333444000172 ", "J"),
                            registered("22333444000172", "F"), registered("88999000000119", "J")}),
              QVariantList({true, true, false, false}));

    // Delta's data with one value changed; the second: another prospect under a client's inscription.
    const struct {
        int index;
        QVariant value;
        QString error;
    } cases[] = {{0, "00000000000000", "Prospect não cadastrado."},
                 {1, "22.333.444/0001-72", kRegistered},
                 {1, " ", "Inscrição deve ser informada."},
                 {2, "", "Razão Social deve ser informada."},
                 {4, "", "Nome Fantasia deve ser informado."},
                 {4, QString(51, 'x'), "O campo NMFANTCLIE aceita no máximo 50 caracteres."},
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
    EXPECT_EQ(QList<qsizetype>({packet("Valida_Servico_LinhaProd", {kZeta, "004", nr(99), "01"}).rows.size(),
                                packet("Valida_Servico_LinhaProd", {kZeta, "005", nr(99), "01"}).rows.size(),
                                packet("Valida_Servico_LinhaProd", {kDelta, "001", nr(99), "01"}).rows.size()}),
              QList<qsizetype>({1, 0, 0}));
}

TEST_P(AcceptanceMethodsTest, RefusedAcceptancesWriteNothing) {
    const QString client = "11222333000181";
    const struct {
        QVariantList args;
        QString error;
    } cases[] = {
        {{nr(5), "01", "44555666000154", kToday, "07", "0001", "VENDEDOR"},
         "Não é possível dar o aceite em uma proposta do tipo Solicitação."},
        {{nr(2), "01", kBeta, "", "07", "0001", "VENDEDOR"}, "Data de aprovação deve ser informada."},
        {{nr(2), "01", kBeta, "2026-11-25", "07", "0001", "VENDEDOR"},
         "Data de aprovação não pode ser menor que data da proposta."},
        {{nr(2), "01", kBeta, kToday, "13", "0001", "VENDEDOR"}, "Mês de reajuste inválido: informe um mês de 01 a 12."},
        {{nr(2), "01", kBeta, kToday, "07", "0002", "VENDEDOR"}, "Proposta não pertence à filial informada."},
        {{nr(2), "01", client, kToday, "07", "0001", "VENDEDOR"}, "Cliente informado não corresponde ao da proposta."},
        {{nr(2), "09", kBeta, kToday, "07", "0001", "VENDEDOR"}, "Proposta não cadastrada."},
        {{nr(1), "01", client, kToday, "07", "0001", "VENDEDOR"}, kAccepted},
    };
    for (const auto& c : cases) EXPECT_EQ(call("AceiteProposta", c.args).error, c.error) << c.error.toStdString();
    EXPECT_EQ(written(2, kBeta), 0);

    // A licence whose installments no longer add up is not charged.
    server_.db().exec("UPDATE VENCLINPPROP SET VRVELUSOPEDP = VRVELUSOPEDP + 0.01 WHERE NRPROPOSFAS = :N "
                      "AND DTVELUSOPEDP = (SELECT MIN(DTVELUSOPEDP) FROM VENCLINPPROP WHERE NRPROPOSFAS = :N)",
                      {{"N", nr(2)}});
    EXPECT_EQ(accept(2, kBeta).error, kNoSum);
    EXPECT_EQ(written(2, kBeta), 0);

    // One version of a proposal is accepted, not two.
    ASSERT_TRUE(call("AceiteProposta", {nr(6), "03", client, kToday, "03", "0001", "VENDEDOR"}).ok);
    EXPECT_EQ(call("AceiteProposta", {nr(6), "02", client, kToday, "03", "0001", "VENDEDOR"}).error,
              "A proposta 6/03 já foi aceita; a versão 6/02 não pode ser aprovada.");
}

TEST_P(AcceptanceMethodsTest, SchedulesAndDatesTheApprovalRefusesAreRefusedWithItsTexts) {
    server::Database& db = server_.db();
    // Proposal 2's first package installment, changed by `set`.
    const auto firstPackage = [&](const QString& set, QVariantMap params = {}) {
        params.insert("N", nr(2));
        db.exec("UPDATE VENCSERVPROP SET " + set + " WHERE NRPROPOSFAS = :N AND DTVENCSERVPROP = "
                "(SELECT MIN(DTVENCSERVPROP) FROM VENCSERVPROP WHERE NRPROPOSFAS = :N)", params);
    };

    // A package whose installments no longer add up.
    firstPackage("VRVENCSERVPROP = VRVENCSERVPROP + 0.01");
    EXPECT_EQ(accept(2, kBeta).error, "O somatório dos vencimentos dos serviços está diferente do valor do pacote da "
                                      "Proposta. O valor dos vencimentos deve ser alterado.");
    firstPackage("VRVENCSERVPROP = VRVENCSERVPROP - 0.01");

    // Installments due before the acceptance, listed line by line; the grace month first.
    EXPECT_EQ(accept(2, kBeta, {}, "2027-01-10").error,
              "As seguintes linhas de produto estão com o vencimento menor que a data do aceite (10/01/2027):\n"
              "2001 - ERP Web completo (26/12/2026)\n2002 - Escrita Fiscal Web (26/12/2026)");
    EXPECT_EQ(accept(2, kBeta, {}, "2027-02-01").error,
              "Operação bloqueada! Mês de carência deve ser maior ou igual ao mês da data de aceite da proposta.\n"
              "2001 - ERP Web completo (01/2027)\n2002 - Escrita Fiscal Web (01/2027)");
    firstPackage("DTVENCSERVPROP = :D", {{"D", QDateTime(QDate(2026, 12, 1), QTime(0, 0))}});
    EXPECT_EQ(accept(2, kBeta).error,
              "O vencimento dos serviços da proposta está menor que a data do aceite (06/12/2026). Operação Bloqueada.");
    firstPackage("DTVENCSERVPROP = :D", {{"D", QDateTime(QDate(2026, 12, 26), QTime(0, 0))}});
    EXPECT_EQ(written(2, kBeta), 0);
    EXPECT_TRUE(accept(2, kBeta).ok) << "mended, the same acceptance goes through";

    // A rental's line with installments that pay nothing it owes; the approval refuses it
    // whatever the contract.
    db.exec("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
            "VALUES (:N, '01', :L, :D, 100)",
            {{"N", nr(3)}, {"L", nr(5)}, {"D", QDateTime(QDate(2027, 1, 10), QTime(0, 0))}});
    EXPECT_EQ(call("AceiteProposta", {nr(3), "01", kGama, kToday, "01", "0001", "VENDEDOR"}).error, kNoSum);
    EXPECT_EQ(written(3, kGama), 0);

    // A prospect's acceptance refused for a late installment registers no client either.
    EXPECT_EQ(accept(4, kDelta, deltaClient()).error,
              "As seguintes linhas de produto estão com o vencimento menor que a data do aceite (06/12/2026):\n"
              "4001 - Folha Web (16/11/2026)");
    EXPECT_EQ(written(4, kDelta) + clients(kDelta), 0);
}

TEST_P(AcceptanceMethodsTest, TheClientIsRegisteredByTheSessionsOperatorForOneOfHisBranches) {
    const QString actingAsGerente = "O operador VENDEDOR não pode agir como o operador GERENTE.";
    QVariantList other = deltaClient();
    other[7] = "GERENTE";
    EXPECT_EQ(accept(4, kDelta, other, kDeltaDay).error, actingAsGerente);
    EXPECT_EQ(accept(2, kBeta, other).error, actingAsGerente) << "even where the data would not be used";
    EXPECT_EQ(call("InsereCliente", other).error, actingAsGerente);
    EXPECT_EQ(written(4, kDelta), 0);

    // A prospect of a branch the operator does not work in.
    server_.db().exec("UPDATE PROSPECT SET CDFILIAL = '0002' WHERE CDPROSPECT = :P", {{"P", kDelta}});
    auto gerente = server_.newConnection();
    gerente->setToken(server_.openSession("GERENTE"));
    const QString notHisBranch = "O operador GERENTE não trabalha na filial 0002.";
    EXPECT_EQ(gerente->call("InsereCliente", other).error, notHisBranch);
    EXPECT_EQ(gerente->call("AceiteProposta", {nr(4), "01", kDelta, kDeltaDay, "07", "0001", "GERENTE", other}).error,
              notHisBranch);
    EXPECT_EQ(written(4, kDelta) + clients(kDelta), 0);

    // Who works there registers it, for that branch.
    ASSERT_TRUE(accept(4, kDelta, deltaClient(), kDeltaDay).ok);
    EXPECT_EQ(query("SELECT CDFILIAL FROM CLIENTE WHERE CDCLIENTE = :K", kDelta), QStringList{"0002"});
}

TEST_P(AcceptanceMethodsTest, TheClientsDataIsAnOptionalEighthArgument) {
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
    // A single count stays exact.
    EXPECT_EQ(server_.call("InsereCliente", {kDelta}).value("error").toObject().value("message").toString(),
              "O método InsereCliente espera 8 argumentos; recebeu 1.");
}

TEST_P(AcceptanceMethodsTest, TheNotificationParametersComeByLanguageAndKey) {
    for (const char* language : {"POR", "ESP"})
        for (const char* key : {"COT05000_PROPCOM", "COT05000_PROPSERV"}) {
            const Packet p = packet("GetParamEmail", {language, key});
            ASSERT_EQ(p.rows.size(), 1) << language << key;
            EXPECT_FALSE(p.value(0, "DSASSUNPAREMAIL").toString().isEmpty() || p.value(0, "TXENDERPAREMAIL").toString().isEmpty());
            EXPECT_TRUE(p.value(0, "TXTEXTOPAREMAIL").toString().contains("#PROPOSTA"));
        }
    const Packet service = packet("GetParamEmail", {"POR", "COT05000_PROPSERV"});
    EXPECT_EQ(cells(service, 0, {"IDSITUPARAEMAIL"}), QStringList{"A"});
    EXPECT_TRUE(service.value(0, "TXTEXTOPAREMAIL").toString().contains("#VALORPACOTESERVICO"));
    const Packet none = packet("GetParamEmail", {"POR", "COT05000_OUTRO"});
    EXPECT_TRUE(none.rows.isEmpty());
    EXPECT_GE(none.indexOf("IDSITUPARAEMAIL"), 0) << "an empty table still has its fields";
    // The branches send through the local relay.
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDEFILI WHERE IDTPENDEFILI = 'P' AND DSSMTPEMAILF = '127.0.0.1:2525'"), 2);
}

// Acceptances running at the same moment: of one version, and of two versions of one
// proposal. Exactly one wins; the contract and the charges are written once.
TEST_P(AcceptanceMethodsTest, OfSimultaneousAcceptancesExactlyOneWinsAndChargesOnce) {
    // Four of proposal 4 before its first installment falls due: the proposal is taken
    // before the client is registered.
    const QVariantList once{nr(4), "01", kDelta, kDeltaDay, "07", "0001", "VENDEDOR", deltaClient()};
    expectOneWinner({once, once, once, once}, [](const QString& e) { return e == kAccepted; });
    const QVariantMap four{{"N", nr(4)}};
    EXPECT_EQ(QList<int>({count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", four),
                          count("SELECT COUNT(*) FROM LINPCLIE WHERE NRPROPOSFAS = :N", four), clients(kDelta)}),
              QList<int>({2, 1, 1}));

    // Proposal 7 (services only, charged as a package of three installments) in two versions.
    ASSERT_TRUE(succeeded(call("InsereCliente", {kZeta, kZeta, "Zeta Transportes Rodoviários Ltda", "", "Zeta Transportes",
                                                 "", "J" + kZeta, "VENDEDOR"})));
    ASSERT_TRUE(succeeded(call("CopiaDados", {"0001", nr(7), "01", "02", "N"})));
    const QVariantMap seven{{"N", nr(7)}};
    ASSERT_EQ(count("SELECT COUNT(*) FROM VENCSERVPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '02'", seven), 3);
    const auto acceptance = [&](const char* version) {
        return QVariantList{nr(7), version, kZeta, kToday, "07", "0001", "VENDEDOR"};
    };
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        expectOneWinner(round % 2 ? std::vector{acceptance("01"), acceptance("02")}
                                  : std::vector{acceptance("02"), acceptance("01")},
                        [](const QString& e) { return e.startsWith("A proposta 7/0"); });
        EXPECT_EQ(QList<int>({count("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND DTACEPROPFAS IS NOT NULL",
                                    seven),
                              count("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", seven),
                              count("SELECT COUNT(*) FROM SERVCLIE WHERE NRPROPOSFAS = :N", seven)}),
                  QList<int>({1, 3, 3}));

        // Open again for the next round.
        for (const char* sql : {"DELETE FROM COBRPROP WHERE NRPROPOSFAS = :N", "DELETE FROM SERVCLIE WHERE NRPROPOSFAS = :N",
                                "UPDATE PROPOSTAFAS SET DTACEPROPFAS = NULL, CDOPERACEITE = NULL WHERE NRPROPOSFAS = :N"})
            server_.db().exec(QString::fromLatin1(sql), seven);
    }
}

COT_ON_EVERY_BACKEND(AcceptanceMethodsTest);

}  // namespace
