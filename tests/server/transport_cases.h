#pragma once
// The sign-in and session tests' common ground: a demo server on every engine, the calls they
// make as nobody or with a given session, and the servers' clock set to a moment.
//
//   class Sessions : public SignInCases {};
//   setNow(kNow.addSecs(31));
//   EXPECT_EQ(errorText(signIn("GERENTE", "errada")), "Operador ou senha inválidos.");
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/clock.h"
#include "server_cases_b.h"

namespace cot::testing {

inline const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0));  // where the fixed clock starts
inline void setNow(const QDateTime& at) { Clock::setCurrent(std::make_shared<FixedClock>(at)); }
inline int errorCode(const QJsonObject& reply) { return reply["error"].toObject()["code"].toInt(); }
inline QString errorText(const QJsonObject& reply) { return reply["error"].toObject()["message"].toString(); }

class SignInCases : public DemoServerTest {
protected:
    using DemoServerTest::DemoServerTest;
    QJsonObject signIn(const QString& op, const QString& password) { return server_.callAs({}, "AbreSessao", {op, password}); }
    bool signsIn(const QString& op, const QString& password) { return signIn(op, password).contains("result"); }
    bool works(const QByteArray& token) { return server_.callAs(token, "GetParamPerc").contains("result"); }
    QString storedHash(const QString& op) {
        return server_.db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = :OP", {{"OP", op}}).toString();
    }
};

}  // namespace cot::testing
