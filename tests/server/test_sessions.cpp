// Sign-in on the server: sessions, what a call without one gets, password hashes and the
// slowing down of repeated failures: the same for registered names and others, per name and
// client address so that nobody is held back from elsewhere, and counted before the slow
// password check so that parallel guesses get no more than the allowance.
#include <QElapsedTimer>
#include <array>
#include <latch>
#include <mutex>
#include <thread>

#include "server/auth/password_hash.h"
#include "server/auth/session_store.h"
#include "server/auth/sign_in_methods.h"
#include "server/auth/sign_in_throttle.h"
#include "rpc/rpc_values.h"
#include "transport_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

class Sessions : public SignInCases {};

TEST_P(Sessions, EveryCallButTheSignInNeedsAValidSession) {
    // None; forged: well formed but never issued; malformed; the hash of a real one instead of it.
    const QString invalid = "Sessão inválida ou expirada: entre no sistema novamente.";
    const QByteArray storedForm = server_.db().scalar("SELECT MIN(CDHASHSESSAO) FROM SESSAO").toString().toLatin1();
    for (const auto& [token, text] : {std::pair(QByteArray(), QString("Sessão não informada: entre no sistema.")),
                                      std::pair(QByteArray(43, 'A'), invalid), std::pair(QByteArray("x"), invalid),
                                      std::pair(QByteArray("' OR 1=1 --"), invalid), std::pair(storedForm, invalid)}) {
        const QJsonObject reply = server_.callAs(token, "GetParamPerc");
        EXPECT_EQ(std::pair(errorCode(reply), errorText(reply)), std::pair(-32001, text)) << token.toStdString();
    }

    // A refused write writes nothing.
    const QString reference = "SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = '" + nr(2) + "'";
    const QString before = server_.db().scalar(reference).toString();
    const Delta change{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                        {"DSREFEPROPOSFAS", FieldType::String, 100}},
                       {{ChangeOp::Update, {nr(2), "01", before}, {nr(2), "01", "sem sessão"}}}};
    EXPECT_EQ(errorCode(server_.callAs({}, "SetProposta", {rpcArgumentToJson(QVariant::fromValue(change))})), -32001);
    EXPECT_EQ(server_.db().scalar(reference).toString(), before);

    // The server's own session works, through the header and nothing else.
    EXPECT_TRUE(works(server_.token()));
}

TEST_P(Sessions, ASessionEndsWhenIdleAtItsLifetimeAndAtSignOut) {
    const QJsonObject result = signIn("VENDEDOR", "vendedor")["result"].toObject();
    const QByteArray token = result["token"].toString().toLatin1();
    EXPECT_EQ(std::tuple(token.size(), result["nome"].toString(), result["filial"].toString(), result["filiais"].toArray().size()),
              std::tuple(qsizetype(43), QString("Vendedor Demonstração"), QString("0001"), qsizetype(2)));
    EXPECT_TRUE(works(token));

    // Used within the idle time, it lives on; left idle longer, it is gone. However busy, a
    // session ends a day after it was opened.
    const QByteArray busy = server_.openSession("VENDEDOR");
    for (const auto& [hours, used, busyUsed] : {std::tuple(6, true, true), std::tuple(7, true, false), std::tuple(12, false, true),
                                                std::tuple(14, true, false), std::tuple(18, false, true)}) {
        setNow(kNow.addSecs(hours * 3600));
        EXPECT_TRUE((!used || works(token)) && (!busyUsed || works(busy))) << hours;
    }
    setNow(kNow.addSecs(22 * 3600 + 1));
    EXPECT_EQ(errorCode(server_.callAs(token, "GetParamPerc")), -32001);
    EXPECT_TRUE(works(busy));
    setNow(kNow.addSecs(24 * 3600 + 1));
    EXPECT_EQ(errorCode(server_.callAs(busy, "GetParamPerc")), -32001);

    // Signing out ends that session only.
    setNow(kNow);
    const QByteArray other = server_.openSession("VENDEDOR"), leaving = server_.openSession("VENDEDOR");
    EXPECT_TRUE(server_.callAs(leaving, "FechaSessao").contains("result"));
    EXPECT_EQ(errorCode(server_.callAs(leaving, "GetParamPerc")), -32001);
    EXPECT_TRUE(works(other));
}

// Refused sign-ins never say which part was wrong and open nothing; a session ends with its
// operator's deactivation or any change of his password, and is not revived by undoing it.
TEST_P(Sessions, RefusedSignInsOpenNothingAndASessionEndsWithItsOperatorOrHisPassword) {
    const QByteArray assist = server_.openSession("ASSIST"), gerente = server_.openSession("GERENTE");
    const QString invalid = "Operador ou senha inválidos.";
    server_.db().exec("UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = 'ASSIST'");
    const int sessions = count("SELECT COUNT(*) FROM SESSAO");
    // ANTIGO has no password at all: nothing opens it, and its status is not told.
    for (const auto& [op, password, text] : {std::tuple("NINGUEM", "vendedor", invalid), {"ANTIGO", "", invalid},
                                             {"ASSIST", "errada", invalid}, {"ASSIST", "assist", "Operador ASSIST está inativo."},
                                             {"", "x", "Operador deve ser informado."}})
        EXPECT_EQ(errorText(signIn(op, password)), text) << op;
    EXPECT_EQ(errorText(server_.callAs({}, "AbreSessao", {"GERENTE", "gerente", "0002"})),
              QString("Filial 0002 não permitida para o operador GERENTE."));
    EXPECT_EQ(count("SELECT COUNT(*) FROM SESSAO"), sessions);

    EXPECT_FALSE(works(assist));
    server_.db().exec("UPDATE OPERADOR SET IDOPERATIVO = 'A' WHERE CDOPERADOR = 'ASSIST'");
    EXPECT_FALSE(works(assist)) << "reactivating him does not revive it";
    // Changed straight in the table, not through --set-password.
    const QString before = storedHash("GERENTE");
    server_.db().exec("UPDATE OPERADOR SET DSHASHSENHA = :H WHERE CDOPERADOR = 'GERENTE'", {{"H", server::hashPassword("outra")}});
    EXPECT_FALSE(works(gerente));
    server_.db().exec("UPDATE OPERADOR SET DSHASHSENHA = :H WHERE CDOPERADOR = 'GERENTE'", {{"H", before}});
    EXPECT_FALSE(works(gerente));
    EXPECT_TRUE(works(server_.token())) << "others' sessions stay";

    // A session opened before sessions were tied to the password still ends with its operator.
    const QByteArray older = server_.openSession("ASSIST");
    server_.db().exec("UPDATE SESSAO SET CDSELOSENHA = NULL WHERE CDOPERADOR = 'ASSIST'");
    EXPECT_TRUE(works(older));
    server_.db().exec("UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = 'ASSIST'");
    EXPECT_FALSE(works(older));
}

TEST_P(Sessions, AShortIdleTimeMovesWithUse) {
    const server::SessionLimits oneMinute{1, 24 * 60};
    const QByteArray token = server::sessions::open(server_.db(), "VENDEDOR", oneMinute).token;
    for (int second = 20; second <= 300; second += 20) {
        setNow(kNow.addSecs(second));
        ASSERT_TRUE(server::sessions::find(server_.db(), token, oneMinute)) << second;
    }
    setNow(kNow.addSecs(300 + 59));
    EXPECT_TRUE(server::sessions::find(server_.db(), token, oneMinute));
    setNow(kNow.addSecs(300 + 59 + 61));
    EXPECT_FALSE(server::sessions::find(server_.db(), token, oneMinute));

    // A long idle time is still written at most once a minute, and never moved back.
    setNow(kNow);
    const QByteArray day = server::sessions::open(server_.db(), "VENDEDOR", {}).token;
    const auto expiry = [&] { return server_.db().scalar("SELECT MAX(DTEXPIRA) FROM SESSAO").toDateTime(); };
    setNow(kNow.addSecs(50));
    ASSERT_TRUE(server::sessions::find(server_.db(), day, {}));
    EXPECT_EQ(expiry(), kNow.addSecs(480 * 60));
    setNow(kNow.addSecs(70));
    ASSERT_TRUE(server::sessions::find(server_.db(), day, {}));
    EXPECT_EQ(expiry(), kNow.addSecs(480 * 60 + 70));
}

// The demo's passwords are stored in the older form: the first sign-in upgrades it to
// Argon2id, and sign-ins at the same moment are tied to the form it stored, none dead on
// arrival.
TEST_P(Sessions, SignInsAtOnceWhileThePasswordIsUpgradedAllGetWorkingSessions) {
    const QString old = storedHash("GERENTE");
    ASSERT_TRUE(old.startsWith("sha256:"));
    EXPECT_EQ(errorText(signIn("GERENTE", "errada")), QString("Operador ou senha inválidos."));
    EXPECT_EQ(storedHash("GERENTE"), old) << "a failed sign-in changes nothing";
    std::vector<QByteArray> tokens(4);
    std::vector<std::thread> threads;
    for (QByteArray& token : tokens)
        threads.emplace_back([&] { token = signIn("gerente", "gerente")["result"].toObject()["token"].toString().toLatin1(); });
    for (std::thread& thread : threads) thread.join();
    for (const QByteArray& token : tokens) EXPECT_TRUE(works(token)) << token.toStdString();
    const QString upgraded = storedHash("GERENTE");
    EXPECT_TRUE(upgraded.startsWith("$argon2id$") && !upgraded.contains("gerente")) << upgraded.toStdString();

    // The new hash takes the same password, and is not rewritten at each sign-in.
    ASSERT_TRUE(signsIn("GERENTE", "gerente"));
    EXPECT_EQ(storedHash("GERENTE"), upgraded);
    EXPECT_EQ(errorText(signIn("GERENTE", "Gerente")), QString("Operador ou senha inválidos."));
}

COT_ON_EVERY_BACKEND(Sessions);

TEST(PasswordHashes, MalformedStoredValuesNeverMatchAndPausesAreBounded) {
    using namespace cot::server;
    for (const auto& [stored, password] : {std::pair("vendedor", "vendedor"), std::pair("sha256:abc:123", "x"),
                                           std::pair("", ""), std::pair("$argon2id$v=19$lixo", "x")})
        EXPECT_FALSE(checkPassword(stored, password).matches) << stored;
    const QString hash = hashPassword("segredo ç");
    EXPECT_EQ(std::tuple(checkPassword(hash, "segredo ç").matches, checkPassword(hash, "segredo c").matches,
                         checkPassword(hash, "segredo ç").needsUpgrade),
              std::tuple(true, false, false));
    EXPECT_NE(hashPassword("segredo ç"), hash) << "each hash has its own salt";

    // Whatever is stored, a check costs what checking a real Argon2id value costs, so its
    // delay tells nothing about the operator.
    const auto took = [](const std::function<void()>& run) { QElapsedTimer timer; timer.start(); run(); return timer.nsecsElapsed(); };
    // (A shortcut costs thousands of times less: a tenth leaves room for a busy machine.)
    const qint64 real = std::min(took([&] { checkPassword(hash, "errada"); }), took([&] { checkPassword(hash, "x"); }));
    const QString sha256 = "sha256:sal:" + QString(64, QLatin1Char('0'));
    const QString tooLong = "$argon2id$" + QString(200, QLatin1Char('a'));
    for (const QString& stored : {sha256, QString(), QString("$argon2id$v=19$lixo"), tooLong})
        EXPECT_GT(took([&] { checkPassword(stored, "errada"); }), real / 10) << stored.toStdString();
    EXPECT_GT(took([] { spendCheckTime("errada"); }), real / 10);

    // {failures, seconds since the last, failures let through, pause}; a clock set back (-50)
    // does not lengthen the pause.
    const int name = signin_throttle::kFreeFailures, address = signin_throttle::kFreeAddressFailures;
    for (const auto& [failures, since, free, pause] :
         std::vector<std::array<int, 4>>{{4, 0, name, 0}, {5, 10, name, 20}, {7, 0, name, 120}, {1000, 0, name, 15 * 60},
                                         {6, -50, name, 60}, {19, 0, address, 0}, {21, 0, address, 60}})
        EXPECT_EQ(signin_throttle::remainingPause(failures, since, free), pause) << failures << " after " << since;
}

const QString kInvalid = QStringLiteral("Operador ou senha inválidos.");

QString heldFor(int seconds) {
    return QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em %1 segundos.").arg(seconds);
}

class SignInThrottle : public SignInCases {
protected:
    SignInThrottle() : SignInCases({.threads = 16}) { server::registerSignInMethods(registry_, {}); }

    // The refusal `run` meets; empty when it went through.
    static QString refusalOf(const std::function<void()>& run) {
        try { run(); } catch (const server::MethodError& e) { return e.text(); }
        return {};
    }
    // AbreSessao as the server runs it for a client at `address`.
    QString signInFrom(const QString& address, const QString& op, const QString& password) {
        server::MethodContext context{server_.db(), nullptr, {}, address};
        return refusalOf([&] { registry_.find("AbreSessao")->handler(context, server::Args("AbreSessao", {op, password})); });
    }
    // One attempt counted without the password check.
    QString reserve(const QString& address, const QString& name) {
        return refusalOf([&] { server::signin_throttle::reserveAttempt(server_.db(), name, address); });
    }
    int rowsAt(const QString& address) {
        return server_.db().scalar("SELECT COUNT(*) FROM FALHAENTRADA WHERE DSENDERECO = :A", {{"A", address}}).toInt();
    }

    server::MethodRegistry registry_;
};

TEST_P(SignInThrottle, EveryNameIsHeldBackAlikeAndOnlyAtTheAddressesThatFailed) {
    server_.db().exec("UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = 'ASSIST'");
    int host = 0;
    // Unknown, active, inactive, without a password.
    for (const QString name : {"NINGUEM", "GERENTE", "ASSIST", "ANTIGO"}) {
        const QString address = QStringLiteral("10.0.0.%1").arg(++host);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signInFrom(address, name, "errada"), kInvalid) << name.toStdString();
        // Held back the same way, the right password unchecked.
        EXPECT_EQ(signInFrom(address, name, name.toLower()), heldFor(30)) << name.toStdString();
    }

    // A hold at one address leaves the operator free at his own.
    const QString attacker = QStringLiteral("203.0.113.9");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(signInFrom(attacker, "GERENTE", "errada"), kInvalid);
    EXPECT_EQ(signInFrom(attacker, "GERENTE", "gerente"), heldFor(30));

    EXPECT_EQ(signInFrom("192.168.0.20", "gerente", "gerente"), QString());
    EXPECT_EQ(rowsAt("192.168.0.20"), 0) << "the right password forgets that address's failures";
    EXPECT_EQ(reserve(attacker, "GERENTE"), heldFor(30)) << "but not the attacker's";
    EXPECT_EQ(reserve("::ffff:" + attacker, "GERENTE"), heldFor(30)) << "however his address is written";

    // One machine may take any address of its IPv6 network.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(reserve("2001:db8:0:1::1", "VENDEDOR"), QString());
    EXPECT_EQ(reserve("2001:db8:0:1:a:b:c:d", "VENDEDOR"), heldFor(30));
    EXPECT_EQ(reserve("2001:db8:0:2::1", "VENDEDOR"), QString());
    // An address the server could not tell is one address more.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(reserve("", "VENDEDOR"), QString());
    EXPECT_EQ(reserve("", "VENDEDOR"), heldFor(30));
    EXPECT_EQ(signInFrom("", "VENDEDOR", "vendedor"), heldFor(30));
}

TEST_P(SignInThrottle, AnAddressTryingManyNamesIsHeldBackByItself) {
    const QString x = QStringLiteral("198.51.100.7");
    // Typos of operators who then sign in are forgiven: they do not count against the address.
    for (const char* op : {"VENDEDOR", "GERENTE"}) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(reserve(x, op), QString());
        server::signin_throttle::forgetFailures(server_.db(), op, x);
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(reserve(x, QStringLiteral("NOME%1").arg(i)), QString()) << i;
    EXPECT_EQ(reserve(x, "OUTRO"), heldFor(30));
    EXPECT_EQ(reserve(x, "VENDEDOR"), heldFor(30)) << "whatever the name";
    EXPECT_EQ(reserve("198.51.100.8", "OUTRO"), QString()) << "other addresses are not";

    setNow(kNow.addSecs(31));
    EXPECT_EQ(reserve(x, "OUTRO"), QString());
    EXPECT_EQ(reserve(x, "MAIS"), heldFor(60)) << "each further failure doubles the pause";

    // A day after the last failure everything is forgotten, and the rows are gone.
    setNow(kNow.addSecs(31 + 24 * 3600 + 1));
    EXPECT_EQ(reserve(x, "MAIS"), QString());
    EXPECT_EQ(std::pair(rowsAt(x), server_.db().scalar("SELECT COUNT(*) FROM FALHAENTRADA").toInt()), std::pair(1, 1));
}

TEST_P(SignInThrottle, ParallelGuessesGetNoMoreThanTheAllowanceChecked) {
    // Each guess on a connection of its own, opened beforehand one at a time, so that the
    // 16 calls reach the server together.
    const auto guessAll = [&](const std::function<QString(int)>& name) {
        std::vector<QString> answers(16);
        std::vector<std::thread> threads;
        std::mutex connecting;
        std::latch ready(16);
        for (int t = 0; t < 16; ++t)
            threads.emplace_back([&, t] {
                std::unique_ptr<NetConnection> connection;
                {
                    std::lock_guard lock(connecting);
                    connection = server_.newConnection();
                }
                ready.arrive_and_wait();
                answers[t] = connection->call("AbreSessao", {name(t), "errada"}).error;
            });
        for (std::thread& t : threads) t.join();
        int checked = 0;
        for (const QString& answer : answers) {
            if (answer == kInvalid) ++checked;
            // Held back by the failures counted, or by the checks already running (counted as nothing).
            else EXPECT_TRUE(answer.startsWith("Muitas tentativas sem sucesso.") ||
                             answer.startsWith("Muitas entradas no sistema ao mesmo tempo."))
                << answer.toStdString();
        }
        return checked;
    };
    EXPECT_EQ(guessAll([](int) { return QStringLiteral("GERENTE"); }), 5);
    const QString address = server_.db().scalar("SELECT MIN(DSENDERECO) FROM FALHAENTRADA").toString();
    EXPECT_EQ(server_.db().scalar("SELECT NRFALHAS FROM FALHAENTRADA WHERE CDOPERADOR = 'GERENTE'").toInt(), 5);

    // Names changed at every guess: the address's allowance holds the same way.
    for (int i = 0; i < 7; ++i) EXPECT_EQ(reserve(address, QStringLiteral("ANTES%1").arg(i)), QString());
    EXPECT_EQ(guessAll([](int t) { return QStringLiteral("NOME%1").arg(t); }), 20 - 5 - 7);
}

COT_ON_EVERY_BACKEND(SignInThrottle);

}  // namespace
