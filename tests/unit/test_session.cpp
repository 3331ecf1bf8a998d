#include <gtest/gtest.h>

#include "base/clock.h"
#include "services/session.h"
#include "support/qt_printers.h"

using namespace cot;

TEST(Session, SignedInValuesServerDateAndCacheNotices) {
    Session& s = Session::instance();
    s.reset();
    s.setOperator(" VENDEDOR ", "Vendedor Demonstração");
    s.setBranch("0001");
    s.setServer("127.0.0.1", 8211);
    EXPECT_EQ((QStringList{s.operatorCode(), s.operatorName(), s.branch(), s.serverHost()}),
              (QStringList{"VENDEDOR", "Vendedor Demonstração", "0001", "127.0.0.1"}));
    EXPECT_EQ(s.serverPort(), 8211);
    Clock::setCurrent(std::make_shared<FixedClock>(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59))));
    EXPECT_EQ(Lib90500::DtServ(), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));  // a date, no time
    Clock::setCurrent(nullptr);

    // Changed tables are recorded once each, in upper case, and each new notice is signalled.
    QList<QStringList> heard;
    const auto c = QObject::connect(&s, &Session::localCacheChanged, [&](const QStringList& t) { heard << t; });
    for (const QStringList& tables : {QStringList{"PROPOSTAFAS"}, {"CLIENTE", "ENDECLIE"}, {"propostafas", ""}, {}})
        s.markTablesChanged(tables);
    QObject::disconnect(c);
    EXPECT_EQ(s.changedTables(), (QStringList{"PROPOSTAFAS", "CLIENTE", "ENDECLIE"}));
    ASSERT_EQ(heard.size(), 3);
    EXPECT_EQ(heard[1], (QStringList{"CLIENTE", "ENDECLIE"}));
    s.clearChangedTables();
    EXPECT_TRUE(s.changedTables().isEmpty());
    s.reset();
    EXPECT_EQ(s.operatorCode(), "");
}
