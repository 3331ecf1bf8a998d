// Passwords set by the operator himself (AlteraSenha) and by the administrator
// (--set-password): the rules every new password follows, the sessions that end and the one
// that goes on, and guessing through an open session held back like sign-in guesses.
#include <cstdio>
#include <sstream>

#include "server/admin/password_command.h"
#include "server/auth/password_admin.h"
#include "support/user_error_text.h"
#include "transport_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kWrong = QStringLiteral("Senha atual incorreta.");
const QString kShort = QStringLiteral("A senha deve ter ao menos 8 caracteres.");

class PasswordChange : public SignInCases {
protected:
    QJsonObject change(const QByteArray& token, const QString& current, const QString& wanted) {
        return server_.callAs(token, "AlteraSenha", {current, wanted});
    }
};

TEST_P(PasswordChange, TheNewPasswordEndsTheOtherSessionsButNotThisOne) {
    // Refusals change nothing; the demo password, shorter than the rule, still signs in (and
    // is stored anew: the sessions opened before it end).
    const QByteArray asking = server_.openSession("GERENTE");
    const QString before = storedHash("GERENTE");
    EXPECT_EQ(QStringList({errorText(change(asking, "errada", "nova senha segura")), errorText(change(asking, "gerente", "curta")),
                           errorText(change(asking, "gerente", "")), errorText(change(asking, "gerente1", "gerente1"))}),
              QStringList({kWrong, kShort, kShort, "A nova senha deve ser diferente da atual."}));
    EXPECT_TRUE(storedHash("GERENTE") == before && works(asking) && signsIn("GERENTE", "gerente"));

    const QByteArray mine = server_.openSession("GERENTE"), elsewhere = server_.openSession("GERENTE"),
                     someoneElse = server_.openSession("ASSIST");

    const QJsonObject reply = change(mine, "gerente", "Nova senha çõ");
    ASSERT_TRUE(reply.contains("result")) << QJsonDocument(reply).toJson().toStdString();
    EXPECT_TRUE(storedHash("GERENTE").startsWith("$argon2id$"));

    EXPECT_TRUE(works(mine) && works(mine)) << "the session that changed it goes on, and keeps going";
    EXPECT_EQ(errorCode(server_.callAs(elsewhere, "GetParamPerc")), -32001) << "his other sessions end";
    EXPECT_TRUE(works(someoneElse));
    EXPECT_TRUE(!signsIn("GERENTE", "gerente") && signsIn("GERENTE", "Nova senha çõ"));

    // Changed again from the same session: the current password is now the new one.
    EXPECT_EQ(errorText(change(mine, "gerente", "terceira senha")), kWrong);
    EXPECT_TRUE(change(mine, "Nova senha çõ", "terceira senha").contains("result"));
    EXPECT_TRUE(works(mine) && signsIn("GERENTE", "terceira senha"));

    // A session left open is no shortcut for guessing the password: its tries count with the
    // sign-in's failures of that name at that address.
    const QByteArray vendedor = server_.openSession("VENDEDOR");
    for (int i = 0; i < 5; ++i) ASSERT_EQ(errorText(change(vendedor, QString("palpite %1").arg(i), "nova senha boa")), kWrong);
    const QString held = QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em 30 segundos.");
    EXPECT_EQ(errorText(change(vendedor, "vendedor", "nova senha boa")), held) << "not even the right one is checked";
    EXPECT_EQ(errorText(signIn("VENDEDOR", "vendedor")), held);
    EXPECT_TRUE(works(vendedor)) << "held back, not signed out";
}

// --set-password: the same rule, and the operator's sessions and holding back end with it.
TEST_P(PasswordChange, TheAdministratorsPasswordFollowsTheSameRuleAndEndsSessionsAndHoldBack) {
    const QString before = storedHash("ASSIST");
    // The emoji is two UTF-16 units but one character: seven in all.
    for (const QString& refused : {QString(), QString("1234567"), QString("senha1\U0001F600")})
        EXPECT_EQ(userErrorOf([&] { server::setOperatorPassword(server_.db(), "ASSIST", refused); }), kShort) << refused.toStdString();
    EXPECT_FALSE(userErrorOf([&] { server::setOperatorPassword(server_.db(), "NINGUEM", "senha comprida"); }).isEmpty());
    EXPECT_EQ(storedHash("ASSIST"), before);
    server::setOperatorPassword(server_.db(), "ASSIST", "ação ção");  // eight characters
    EXPECT_TRUE(signsIn("ASSIST", "ação ção"));

    const QByteArray open = server_.openSession("GERENTE");
    for (int i = 0; i < 6; ++i) signsIn("GERENTE", "errada");
    server::setOperatorPassword(server_.db(), " gerente ", "nova senha");
    EXPECT_TRUE(storedHash("GERENTE").startsWith("$argon2id$"));
    EXPECT_EQ(errorCode(server_.callAs(open, "GetParamPerc")), -32001) << "his sessions are over";
    EXPECT_EQ(errorText(signIn("GERENTE", "gerente")), QString("Operador ou senha inválidos."));
    EXPECT_TRUE(signsIn("GERENTE", "nova senha")) << "not held back any more";
    EXPECT_TRUE(works(server_.token())) << "others' sessions stay";
}

COT_ON_EVERY_BACKEND(PasswordChange);

// What --set-password reads, with the questions it asks written into a memory file.
// The typing is "hidden" / "shown", in order.
struct Prompted { QString password, error; std::string questions; QStringList typing; };

Prompted readFrom(const std::string& typed, bool terminal) {
    Prompted out;
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* prompts = open_memstream(&buffer, &size);
    std::istringstream in(typed);
    out.error = userErrorOf([&] {
        out.password = server::readNewPassword(in, prompts, "GERENTE", terminal,
                                               [&](bool hidden) { out.typing << (hidden ? "hidden" : "shown"); });
    });
    std::fclose(prompts);
    out.questions.assign(buffer, size);
    std::free(buffer);
    return out;
}

TEST(SetPasswordCommand, ATerminalIsAskedTwiceUnseenAPipeOnce) {
    const Prompted same = readFrom("senha nova\nsenha nova\n", true);
    EXPECT_EQ(std::tuple(same.password, same.questions, same.typing),
              std::tuple(QString("senha nova"), std::string("Senha de GERENTE: \nRepita a senha: \n"),
                         QStringList({"hidden", "shown", "hidden", "shown"})));
    EXPECT_EQ(readFrom("senha nova\nsenha nov4\n", true).error, QString("As senhas não conferem."));
    const Prompted tooShort = readFrom("curta\n", true);
    // Told before being asked to repeat it.
    EXPECT_EQ(std::pair(tooShort.error, tooShort.questions), std::pair(kShort, std::string("Senha de GERENTE: \n")));

    const Prompted piped = readFrom("senha do arquivo\r\nsegunda linha\n", false);
    EXPECT_EQ(std::pair(piped.password, piped.questions), std::pair(QString("senha do arquivo"), std::string()));
    EXPECT_EQ(readFrom("", false).error, kShort) << "nothing read";
}

}  // namespace
