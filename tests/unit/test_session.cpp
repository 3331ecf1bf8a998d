#include <gtest/gtest.h>

#include "base/clock.h"
#include "services/session.h"
#include "support/qt_printers.h"

using namespace cot;

TEST(Session, SignedInValuesAndServerDate) {
    Session& s = Session::instance();
    s.reset();
    s.setOperator(" VENDEDOR ", "Vendedor Demonstração");
    s.setBranch("0001");
    s.setServer("127.0.0.1", 8211);
    EXPECT_EQ(Session::instance().operatorCode(), "VENDEDOR");
    EXPECT_EQ(Session::instance().operatorName(), "Vendedor Demonstração");
    EXPECT_EQ(Session::instance().branch(), "0001");
    EXPECT_EQ(Session::instance().serverHost(), "127.0.0.1");
    EXPECT_EQ(Session::instance().serverPort(), 8211);

    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59))));
    EXPECT_EQ(Lib90500::DtServ(), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));  // a date, no time
    Clock::setCurrent(nullptr);
    s.reset();
    EXPECT_EQ(Session::instance().operatorCode(), "");
}

TEST(Session, CacheNoticesAreRecordedOnceAndSignalled) {
    Session& s = Session::instance();
    s.reset();
    QList<QStringList> heard;
    const auto c = QObject::connect(&s, &Session::localCacheChanged, [&](const QStringList& t) { heard << t; });
    Session::instance().markTablesChanged({"PROPOSTAFAS"});
    Session::instance().markTablesChanged({"CLIENTE", "ENDECLIE"});
    Session::instance().markTablesChanged({"propostafas", ""});
    Session::instance().markTablesChanged({});
    QObject::disconnect(c);
    EXPECT_EQ(s.changedTables(), (QStringList{"PROPOSTAFAS", "CLIENTE", "ENDECLIE"}));
    ASSERT_EQ(heard.size(), 3);
    EXPECT_EQ(heard[1], (QStringList{"CLIENTE", "ENDECLIE"}));
    s.clearChangedTables();
    EXPECT_TRUE(s.changedTables().isEmpty());
}
