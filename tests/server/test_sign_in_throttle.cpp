// The slowing down of sign-in guesses: the same for registered names and others, per name
// and client address so that nobody is held back from elsewhere, and counted before the
// slow password check so that parallel guesses get no more than the allowance.
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "server/auth/sign_in_methods.h"
#include "server/auth/sign_in_throttle.h"
#include "server/rpc/method_registry.h"
#include "transport_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kInvalid = QStringLiteral("Operador ou senha inválidos.");

QString heldFor(int seconds) {
    return QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em %1 segundos.").arg(seconds);
}

class SignInThrottle : public SignInCases {
protected:
    SignInThrottle() : SignInCases({.threads = 16}) { server::registerSignInMethods(registry_, {}); }

    // The refusal `run` meets; empty when it went through.
    static QString refusalOf(const std::function<void()>& run) {
        try {
            run();
            return {};
        } catch (const server::MethodError& e) {
            return e.text();
        }
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

TEST_P(SignInThrottle, EveryNameGetsTheSameAnswersWhetherRegisteredOrNot) {
    server_.db().exec("UPDATE OPERADOR SET IDOPERATIVO = 'I' WHERE CDOPERADOR = 'ASSIST'");
    int host = 0;
    // Unknown, active, inactive, without a password.
    for (const QString name : {"NINGUEM", "GERENTE", "ASSIST", "ANTIGO"}) {
        const QString address = QStringLiteral("10.0.0.%1").arg(++host);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(signInFrom(address, name, "errada"), kInvalid) << name.toStdString();
        // Held back the same way, the right password unchecked.
        EXPECT_EQ(signInFrom(address, name, name.toLower()), heldFor(30)) << name.toStdString();
    }
}

TEST_P(SignInThrottle, AHoldAtOneAddressLeavesTheOperatorFreeAtHisOwn) {
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
