// The screen tests' call recorder: what it reports of the calls of a connection, a hook
// that fails a call, and a recorder that outlives its connection or loses it to another
// observer. Calls go to a port where nothing listens: the observer is told before sending.
// The scripted dialogs the screen tests answer questions with.

#include <gtest/gtest-spi.h>
#include <memory>

#include "rpc/net_connection.h"
#include "support/call_recorder.h"
#include "support/scripted_dialogs.h"
#include "unit_cases.h"

using namespace cot::testing;

namespace {

std::unique_ptr<NetConnection> nowhere() {
    auto net = std::make_unique<NetConnection>();
    net->setPort(1);  // nothing listens on a privileged port here
    return net;
}

TEST(CallRecorder, ReportsTheCallsInOrderAndAHookThatThrowsReachesTheCaller) {
    auto net = nowhere();
    CallRecorder calls(*net);
    int seen = -1;
    calls.setOnCall([&](const QString& method, const QVariantList& args) {
        seen = calls.count(method);
        if (args.value(0) == "falha") throw std::runtime_error("indisponível");
    });
    net->call("GetLinProd", {"2", "01"});
    EXPECT_EQ(seen, 1) << "the hook runs after the call is recorded";
    net->call("ValidaOrdem", {"2", 7});
    EXPECT_THROW(net->call("GetLinProd", {"falha", "02"}), std::runtime_error);
    EXPECT_EQ(net->calls(), 3);

    EXPECT_EQ(calls.methods(), (QStringList{"GetLinProd", "ValidaOrdem", "GetLinProd"}));
    EXPECT_EQ((QList<int>{calls.count("GetLinProd"), calls.indexOf("ValidaOrdem"), calls.indexOf("SetProposta")}),
              (QList<int>{2, 1, -1}));
    EXPECT_EQ((QList<QVariantList>{calls.firstArgs("GetLinProd"), calls.lastArgs("GetLinProd"), calls.lastArgs("SetProposta"),
                                   calls.argOfEach("GetLinProd", 1), calls.value(1).args}),
              (QList<QVariantList>{{"2", "01"}, {"falha", "02"}, {}, {"01", "02"}, {"2", 7}}));
    EXPECT_TRUE(calls.value(3).method.isEmpty());

    // Attaching again starts over; a detached recorder hears nothing.
    calls.setOnCall({});
    calls.attach(*net);
    EXPECT_TRUE(calls.isEmpty());
    calls.detach();
    net->call("GetServico");
    EXPECT_TRUE(calls.isEmpty());
}

TEST(CallRecorder, OutlivesItsConnectionAndLeavesAnotherObserverAlone) {
    {
        auto net = nowhere();
        auto calls = std::make_unique<CallRecorder>(*net);
        net.reset();
        EXPECT_FALSE(calls->attached());
    }  // the recorder's detach touches no freed connection (address sanitizer builds)

    auto net = nowhere();
    int other = 0;
    {
        CallRecorder calls(*net);
        net->setCallObserver([&](const QString&, const QVariantList&) { ++other; });
        EXPECT_FALSE(calls.attached());
        net->call("GetServico");
        EXPECT_TRUE(calls.isEmpty());
    }
    net->call("GetServico");
    EXPECT_EQ(other, 2) << "the recorder's end did not take the other observer away";

    // A second recorder on the same connection takes over from the first.
    CallRecorder first(*net), second(*net);
    net->call("GetServico");
    EXPECT_EQ(std::tuple(first.attached(), first.size(), second.size()), std::tuple(false, 0, 1));
}

}  // namespace

// Other tests trust this double to fail loudly instead of blocking or guessing.
TEST(ScriptedDialogs, UnexpectedQuestionsFailAndGetHarmlessAnswers) {
    ScriptedDialogs dialogs;
    ScriptedDialogs::Scope scope(dialogs);
    int answer = -99;
    EXPECT_NONFATAL_FAILURE(answer = Dialogs::current().messageDlg("Excluir?", DialogType::Confirmation, mbYes | mbNo),
                            "no scripted answer: \"Excluir?\"");
    EXPECT_EQ(answer, mrNo);
    EXPECT_NONFATAL_FAILURE(answer = Dialogs::current().alert("Vence", DialogType::Information, {"A", "B"}),
                            "unexpected alert");
    EXPECT_EQ(answer, -1);
    QStringList files{"x"};
    EXPECT_NONFATAL_FAILURE(files = Dialogs::current().openFiles("Anexar", "*.*", true), "openFiles");
    EXPECT_TRUE(files.isEmpty());

    // an answer of another kind is not consumed by the wrong question
    dialogs.expectFolder("/tmp");
    EXPECT_NONFATAL_FAILURE(Dialogs::current().messageDlg("Sair?", DialogType::Confirmation, mbYes | mbNo),
                            "scripted answer is for chooseFolder");
    EXPECT_EQ(Dialogs::current().chooseFolder("Pasta", "c:\\", true), "/tmp");
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEverything) {
    ScriptedDialogs dialogs;
    {
        ScriptedDialogs::Scope scope(dialogs);
        EXPECT_EQ(&Dialogs::current(), &dialogs);
        dialogs.expectConfirm(true);
        dialogs.expectMessageDlg(mrOk);
        dialogs.expectAlert(1);
        dialogs.expectPickMany("'A','B'");
        Dialogs::current().error("Erro 1");
        EXPECT_EQ(Dialogs::current().messageDlg("Q1", DialogType::Confirmation, mbYes | mbNo), mrYes);
        Dialogs::current().information("Info");
        EXPECT_EQ(Dialogs::current().messageDlg("Q2", DialogType::Information, mbOK), mrOk);
        EXPECT_EQ(Dialogs::current().alert("Q3", DialogType::Warning, {"Confirma", "Cancela"}), 1);
        ClientTable clients("cdsCliente");
        EXPECT_EQ(Dialogs::current().pickMany(clients, "CDCLIENTE", "Clientes"), "'A','B'");
    }
    EXPECT_FALSE(Dialogs::installed());
    EXPECT_EQ(dialogs.errors() + dialogs.informations() + dialogs.questions(), (QStringList{"Erro 1", "Info", "Q1", "Q2", "Q3"}));
    EXPECT_EQ(dialogs.allTexts(), (QStringList{"Erro 1", "Q1", "Info", "Q2", "Q3", "Clientes"}));

    // answers left unasked are reported when the scope ends
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedDialogs::Scope scope(dialogs);
            dialogs.expectConfirm(true);
        },
        "never asked for");
}
