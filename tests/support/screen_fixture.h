#pragma once
// Base of the screen tests: an offscreen QApplication, an application server in the test
// process over a fresh SQLite database with demo data, the host database opened on the
// same file, a signed-in session (VENDEDOR, branch 0001, the test server's address), a
// fixed clock (06/12/2026 10:00), scripted dialogs and a scripted modal runner.
//
//   class MyScreenTest : public cot::testing::ScreenFixture {};
//   TEST_F(MyScreenTest, ...) {
//       dialogs.expectConfirm(true);
//       runner.expect([&](QWidget& w) { clickButton(w, "sbtConfirma"); }, "frmCOT05003");
//       focus(*screen, "dbgLinProd"); type(*screen, "123"); click(*screen, "sbtConfirmar");
//   }
#include <gtest/gtest.h>

#include <QObject>
#include <QString>
#include <memory>
#include <stdexcept>
#include <string>

#include "scripted_dialogs.h"
#include "scripted_modal_runner.h"
#include "screen_widgets.h"
#include "test_server.h"

namespace cot::testing {

class ScreenFixture : public ::testing::Test {
public:
    static void SetUpTestSuite() { ensureApplication(); }

protected:
    ScreenFixture();
    ~ScreenFixture() override;
    void SetUp() override;
    void TearDown() override;

    // Override to run without a server and host database (pure widget tests).
    virtual bool wantsServer() const { return true; }
    // Override to prepare the database before the server starts.
    virtual void prepareDatabase(server::Database&) {}

    TestServer& testServer() { return *server_; }
    // The desktop's session becomes one of `operatorCode` (opened on the server without a
    // password), working in `branch`.
    void signInAs(const QString& operatorCode, const QString& branch = QStringLiteral("0001"));

    // ----- driving widgets of `root` by object name (failures are test failures)
    QWidget& widget(QWidget& root, const QString& name);
    bool focus(QWidget& root, const QString& name);
    void type(QWidget& root, const QString& name, const QString& text);  // focuses, then types
    void press(QWidget& root, const QString& name, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void click(QWidget& root, const QString& name);

    // A control or table of the form under test by its object name, as the user finds it on
    // the form (the forms keep their widgets private).
    template <class W>
    W& widget(const char* name) const {
        W* found = formUnderTest() ? formUnderTest()->findChild<W*>(QString::fromLatin1(name)) : nullptr;
        if (!found) throw std::logic_error(std::string("form under test: no ") + name);
        return *found;
    }
    // The form widget<W>(name) looks in; a fixture that opens one names it.
    virtual QObject* formUnderTest() const { return nullptr; }
    // Whether `w` holds its window's focus: the window's own focus child, not the application's.
    // The offscreen platform activates every window it shows (the busy window of a slow call
    // too), so on a loaded machine the form may be inactive for a moment.
    static bool focused(const QWidget& w) { return w.window()->focusWidget() == &w; }

    ScriptedDialogs dialogs;
    ScriptedModalRunner runner;

private:
    std::unique_ptr<TestServer> server_;
    std::unique_ptr<ScriptedDialogs::Scope> dialogsScope_;
};

}  // namespace cot::testing
