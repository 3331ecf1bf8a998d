// The real cot-host process: signs in against the demo database and saves a picture of
// its main window; a wrong password stops it with the reason. Sign-in rules are checked
// in process too.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTest>
#include <QTranslator>

#include "rpc/rpc_channel.h"
#include "screens/sign_in.h"
#include "base/errors.h"
#include "services/session.h"
#include "support/shell_process.h"
#include "support/screen_fixture.h"

using namespace cot;
using namespace cot::testing;

namespace {

class Shell : public ScreenFixture {
protected:
    ShellRun runHost(const QStringList& arguments) {
        return runShell(QStringList{"--db", testServer().databaseUrl(), "--server",
                                    QString("127.0.0.1:%1").arg(testServer().port())} + arguments,
                        home.path());
    }
    QTemporaryDir home;
};

QString signInError(const QString& code, const QString& password, const QString& branch) {
    try {
        SignIn::signIn(code, password, branch);
    } catch (const UserError& e) {
        return e.text();
    }
    return {};
}

}  // namespace

// The picture is of a real window; Qt's own dialogs speak Portuguese: the shell finds Qt's
// translation, whose file chooser labels are translated. A wrong password, or a server
// without a port, stops the shell with the reason and no picture.
TEST_F(Shell, SignsInAndSavesAPictureOfTheMainWindowOrStopsWithTheReason) {
    const QString picture = home.filePath("tela/principal.png");
    ShellRun run = runHost({"--operator", "vendedor", "--password", "vendedor", "--branch", "0001", "--screenshot", picture});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QString::fromUtf8("tradução do Qt"))) << run.errors.toStdString();
    const QImage image(picture);
    EXPECT_TRUE(image.width() > 200 && image.height() > 100) << image.width() << "x" << image.height();
    QTranslator translator;
    ASSERT_TRUE(translator.load(QLocale(QLocale::Portuguese, QLocale::Brazil), "qtbase", "_",
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QCoreApplication::installTranslator(&translator);
    const QStringList labels{QCoreApplication::translate("QFileDialog", "Look in:"),
                             QCoreApplication::translate("QFileDialog", "File &name:")};
    QCoreApplication::removeTranslator(&translator);
    EXPECT_FALSE(labels.contains("Look in:") || labels.contains("File &name:")) << labels.join('|').toStdString();

    run = runHost({"--operator", "VENDEDOR", "--password", "errada", "--screenshot", home.filePath("x.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("Operador ou senha inválidos.")) << run.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("x.png")));
    EXPECT_EQ(runShell({"--server", "semporta"}, home.path()).exitCode, 1);
}

// An ended session is renewed with the same operator, branch and server, only the password
// asked; a sign-in checks password and branch and never tells which part was wrong.
TEST_F(Shell, SignInRenewsAnEndedSessionChecksPasswordBranchAndNeverTellsWhichPartWasWrong) {
    Session::instance().setBranch("0002");
    TfrmLogin login;
    login.renewSession();
    EXPECT_EQ((QStringList{login.edtOperador->text(), login.edtOperador->isReadOnly() ? "read only" : "editable",
                           login.cbbFilial->currentData().toString(), QString::number(login.serverPort())}),
              (QStringList{"VENDEDOR", "read only", "0002", QString::number(testServer().port())}));
    const QByteArray before = rpc_channel::sessionToken();
    login.edtSenha->setText("vendedor");
    EXPECT_TRUE(runHandler([&] { login.sbtConfirmaClick(); }));
    EXPECT_NE(rpc_channel::sessionToken(), before) << "a new session";
    EXPECT_EQ(Session::instance().branch(), "0002");

    Session::instance().reset();
    Session::instance().setServer("127.0.0.1", testServer().port());
    EXPECT_EQ(signInError("vendedor", "vendedor", "2"), "");  // code and branch normalised
    EXPECT_EQ((QStringList{Session::instance().signedIn() ? "in" : "out", Session::instance().operatorCode(),
                           Session::instance().branch()}),
              (QStringList{"in", "VENDEDOR", "0002"}));
    EXPECT_EQ((QStringList{signInError("VENDEDOR", "errada", ""), signInError("NINGUEM", "vendedor", ""),
                           signInError("ASSIST", "assist", "0999"), signInError("", "x", "")}),
              (QStringList{"Operador ou senha inválidos.", "Operador ou senha inválidos.",
                           "Filial 0999 não permitida para o operador ASSIST.", "Operador deve ser informado."}));
    // Signing out ends the session on the server: its token opens nothing any more.
    const QByteArray token = rpc_channel::sessionToken();
    SignIn::signOut();
    EXPECT_FALSE(Session::instance().signedIn());
    EXPECT_EQ(testServer().callAs(token, "GetParamPerc")["error"].toObject()["code"].toInt(), -32001);
}

// The keyboard alone signs in: Enter on the operator goes on to the password and lists the
// operator's branches; Enter there submits, and a refusal keeps the dialog and its entries;
// Alt+E is "Entrar" and types nothing into the password.
TEST_F(Shell, SignInIsSubmittedFromTheKeyboardAndARefusalKeepsTheEntries) {
    Session::instance().reset();
    TfrmLogin login;
    login.setServer("127.0.0.1", testServer().port());
    QStringList branches;
    bool movedOn = false, openAfterFailure = false;
    QString operatorAfterFailure, passwordSeen;
    runner.expect([&](QWidget& w) {
        type(w, "edtOperador", "vendedor");
        press(w, "edtOperador", Qt::Key_Return);
        movedOn = login.edtSenha->hasFocus();
        for (int i = 0; i < login.cbbFilial->count(); ++i) branches << login.cbbFilial->itemData(i).toString();
        typeText(*login.edtSenha, "errada");
        press(w, "edtSenha", Qt::Key_Return);
        openAfterFailure = w.isVisible();
        operatorAfterFailure = login.edtOperador->text();
        login.edtSenha->clear();
        typeText(*login.edtSenha, "vendedor");
        press(w, "edtSenha", Qt::Key_E, Qt::AltModifier);
        for (int i = 0; i < 50 && w.isVisible(); ++i) QTest::qWait(20);  // a mnemonic clicks a moment later
        passwordSeen = login.edtSenha->text();
    }, "frmLogin");
    EXPECT_EQ(login.ShowModal(), mrOk);
    EXPECT_TRUE(movedOn && openAfterFailure) << "Enter on the operator moves on; a refusal keeps the dialog";
    EXPECT_EQ(branches, (QStringList{"0001", "0002"}));
    EXPECT_EQ(operatorAfterFailure, "vendedor");
    EXPECT_EQ(dialogs.errors(), QStringList{"Operador ou senha inválidos."});
    EXPECT_EQ(passwordSeen, "vendedor");
    EXPECT_EQ(Session::instance().operatorCode(), "VENDEDOR");
    EXPECT_EQ(Session::instance().serverPort(), testServer().port());
}
