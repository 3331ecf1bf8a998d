// A picture of the header form through the real widgets, for the documentation (the header's
// path from the list to the database is a scenario: e2e/test_scenarios.cpp).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "screens/header_fixture.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderEndToEnd : public HeaderFixture {};

// A picture of the header of a demo proposal being edited, for the documentation.
// Written only when COT_HEADER_SCREENSHOT names the file.
TEST_F(HeaderEndToEnd, PictureOfTheHeaderForm) {
    const QString path = qEnvironmentVariable("COT_HEADER_SCREENSHOT");
    if (path.isEmpty()) GTEST_SKIP() << "COT_HEADER_SCREENSHOT not set";
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
    screen->pgcPadraoChange();
    screen->setActiveTable(&screen->proposal());
    ASSERT_TRUE(runHandler([&] { t.edit(); }));
    t["NRMESREAJPROP"].setAsString("07");
    screen->resize(1280, 800);
    processEvents();
    focus(*screen, "dbeDsReferencia");
    processEvents();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(screen->grab().save(path));
    EXPECT_GT(QImage(path).width(), 1000);
    runHandler([&] { t.cancel(); });
}

}  // namespace
