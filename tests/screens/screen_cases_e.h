#pragma once
// Helpers shared by the header tests: a post that must be refused with its message and
// focus, a post that must go through, and leaving a control as the user moves on.
#include <gtest/gtest.h>

#include "screens/header_fixture.h"
#include "ui/db_edit.h"

namespace cot::testing {

class HeaderCase : public HeaderFixture {
protected:
    // The post is refused, `message` is the one error shown and, when named, the control
    // `focus` holds the focus. Forgets what was shown before.
    void refused(const QString& message, const char* focus = nullptr) {
        dialogs.clearShown();
        EXPECT_FALSE(post());
        EXPECT_EQ(dialogs.errors(), QStringList{message});
        if (focus) {
            EXPECT_TRUE(focused(*findWidget(*screen, QString::fromLatin1(focus)))) << focus;
        }
    }
    // The post goes through; otherwise the errors shown.
    ::testing::AssertionResult saved() {
        dialogs.clearShown();
        return post() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << dialogs.errors().join("; ").toStdString();
    }
    // Focuses a control and leaves it for the reference.
    void leave(const char* name) { ASSERT_TRUE(focus(*screen, name)); focus(*screen, "dbeDsReferencia"); }
    // Types over the content of an edit (selected first) and leaves it.
    void retype(const char* name, const QString& text, bool leaveIt = true) {
        ASSERT_TRUE(focus(*screen, name));
        widget<TDBEdit>(name).selectAll();
        type(*screen, name, text);
        if (leaveIt) focus(*screen, "dbeDsReferencia");
    }
    QString nr() { return screen->proposal()["NRPROPOSFAS"].asString(); }
    bool locate(int n, const char* version = "01") {
        return screen->proposal().locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(n), QString::fromLatin1(version)});
    }
};

}  // namespace cot::testing
