// Passwords set by the operator himself (AlteraSenha) and by the administrator
// (--set-password): the rules every new password follows, the sessions that end and the one
// that goes on, and guessing through an open session held back like sign-in guesses.
#include <cstdio>
#include <sstream>

#include "base/errors.h"
#include "server/admin/password_command.h"
#include "server/auth/password_admin.h"
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

TEST_P(PasswordChange, RefusalsChangeNothing) {
    const QByteArray mine = server_.openSession("GERENTE");
    const QString before = storedHash("GERENTE");

    EXPECT_EQ(QStringList({errorText(change(mine, "errada", "nova senha segura")), errorText(change(mine, "gerente", "curta")),
                           errorText(change(mine, "gerente", "")), errorText(change(mine, "gerente1", "gerente1"))}),
              QStringList({kWrong, kShort, kShort, "A nova senha deve ser diferente da atual."}));

    EXPECT_EQ(storedHash("GERENTE"), before);
    EXPECT_TRUE(works(mine));
    EXPECT_TRUE(signsIn("GERENTE", "gerente")) << "the demo password, shorter than the rule, still signs in";
}

TEST_P(PasswordChange, TheNewPasswordEndsTheOtherSessionsButNotThisOne) {
    const QByteArray mine = server_.openSession("GERENTE");
    const QByteArray elsewhere = server_.openSession("GERENTE");
    const QByteArray someoneElse = server_.openSession("ASSIST");

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
}

// A session left open is no shortcut for guessing the password: its tries count with the
// sign-in's failures of that name at that address.
TEST_P(PasswordChange, GuessesThroughASessionAreHeldBackLikeSignInGuesses) {
    const QByteArray mine = server_.openSession("VENDEDOR");
    for (int i = 0; i < 5; ++i) ASSERT_EQ(errorText(change(mine, QString("palpite %1").arg(i), "nova senha boa")), kWrong);
    const QString held = QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em 30 segundos.");
    EXPECT_EQ(errorText(change(mine, "vendedor", "nova senha boa")), held) << "not even the right one is checked";
    EXPECT_EQ(errorText(signIn("VENDEDOR", "vendedor")), held);
    EXPECT_TRUE(works(mine)) << "held back, not signed out";
}

// --set-password: the same rule, and the operator's sessions and holding back end with it.
TEST_P(PasswordChange, TheAdministratorsPasswordFollowsTheSameRuleAndEndsSessionsAndHoldBack) {
    const QString before = storedHash("ASSIST");
    // The emoji is two UTF-16 units but one character: seven in all.
    for (const QString& refused : {QString(), QString("1234567"), QString("senha1\U0001F600")})
        try {
            server::setOperatorPassword(server_.db(), "ASSIST", refused);
            ADD_FAILURE() << refused.toStdString() << " was accepted";
        } catch (const UserError& e) {
            EXPECT_EQ(e.text(), kShort) << refused.toStdString();
        }
    EXPECT_THROW(server::setOperatorPassword(server_.db(), "NINGUEM", "senha comprida"), UserError);
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
struct Prompted {
    QString password;
    QString error;
    std::string questions;
    QStringList typing;  // "hidden" / "shown", in order
};

Prompted readFrom(const std::string& typed, bool terminal) {
    Prompted out;
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* prompts = open_memstream(&buffer, &size);
    std::istringstream in(typed);
    try {
        out.password = server::readNewPassword(in, prompts, "GERENTE", terminal, [&](bool hidden) {
            out.typing << (hidden ? "hidden" : "shown");
        });
    } catch (const UserError& e) {
        out.error = e.text();
    }
    std::fclose(prompts);
    out.questions.assign(buffer, size);
    std::free(buffer);
    return out;
}

TEST(SetPasswordCommand, ATerminalIsAskedTwiceUnseenAPipeOnce) {
    const Prompted same = readFrom("senha nova\nsenha nova\n", true);
    EXPECT_EQ(same.password, QString("senha nova"));
    EXPECT_EQ(same.questions, "Senha de GERENTE: \nRepita a senha: \n");
    EXPECT_EQ(same.typing, QStringList({"hidden", "shown", "hidden", "shown"}));
    EXPECT_EQ(readFrom("senha nova\nsenha nov4\n", true).error, QString("As senhas não conferem."));
    const Prompted tooShort = readFrom("curta\n", true);
    EXPECT_EQ(std::pair(tooShort.error, tooShort.questions), std::pair(kShort, std::string("Senha de GERENTE: \n")))
        << "told before being asked to repeat it";

    const Prompted piped = readFrom("senha do arquivo\r\nsegunda linha\n", false);
    EXPECT_EQ(std::pair(piped.password, piped.questions), std::pair(QString("senha do arquivo"), std::string()));
    EXPECT_EQ(readFrom("", false).error, kShort) << "nothing read";
}

}  // namespace
