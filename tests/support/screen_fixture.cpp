#include "screen_fixture.h"

#include "base/clock.h"
#include "services/local_query.h"
#include "services/session.h"
#include "ui/busy_animation.h"

namespace cot::testing {

namespace {
const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0));
}

ScreenFixture::ScreenFixture() { ensureApplication(); }

ScreenFixture::~ScreenFixture() = default;

void ScreenFixture::SetUp() {
    Clock::setCurrent(std::make_shared<FixedClock>(kNow));
    dialogsScope_ = std::make_unique<ScriptedDialogs::Scope>(dialogs);
    Session::instance().reset();
    if (!wantsServer()) return;

    TestServerOptions options;
    options.seed = true;
    options.prepare = [this](server::Database& db) { prepareDatabase(db); };
    server_ = std::make_unique<TestServer>(options);
    HostDatabase::open(server_->databaseUrl());

    Session::instance().setServer("127.0.0.1", server_->port());
    signInAs(QStringLiteral("VENDEDOR"));
}

void ScreenFixture::signInAs(const QString& operatorCode, const QString& branch) {
    QString name = operatorCode;
    TADOIBQuery q;
    q.setSql("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = :P_CDOPERADOR");
    q.setParam("P_CDOPERADOR", operatorCode);
    q.open();
    if (!q.isEmpty()) name = q.fieldByName("NMOPERADOR").asString();
    Session::instance().setOperator(operatorCode, name);
    Session::instance().setBranch(branch);
    Session::instance().setToken(server_->openSession(operatorCode));
}

void ScreenFixture::TearDown() {
    // Windows a test left open must not leak into the next one.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->hide();
    processEvents();
    EXPECT_EQ(busyDepth(), 0) << "busy animation left on";
    while (busyDepth() > 0) Showavi::DeactiveShowAvi();
    if (server_) {
        HostDatabase::close();
        server_.reset();
    }
    Session::instance().reset();
    dialogsScope_.reset();
    Clock::setCurrent(nullptr);
}

QWidget& ScreenFixture::widget(QWidget& root, const QString& name) {
    QWidget* w = findWidget(root, name);
    if (!w) {
        ADD_FAILURE() << "no widget named " << name.toStdString();
        return root;
    }
    return *w;
}

bool ScreenFixture::focus(QWidget& root, const QString& name) {
    QWidget* w = findWidget(root, name);
    if (!w) {
        ADD_FAILURE() << "no widget named " << name.toStdString();
        return false;
    }
    return focusWidget(*w);
}

void ScreenFixture::type(QWidget& root, const QString& name, const QString& text) {
    if (QWidget* w = findWidget(root, name)) {
        focusWidget(*w);
        typeText(*w, text);
    } else {
        ADD_FAILURE() << "no widget named " << name.toStdString();
    }
}

void ScreenFixture::press(QWidget& root, const QString& name, int key, Qt::KeyboardModifiers modifiers) {
    if (QWidget* w = findWidget(root, name)) pressKey(*w, key, modifiers);
    else ADD_FAILURE() << "no widget named " << name.toStdString();
}

void ScreenFixture::click(QWidget& root, const QString& name) {
    if (!clickButton(root, name)) ADD_FAILURE() << "no widget named " << name.toStdString();
}

}  // namespace cot::testing
