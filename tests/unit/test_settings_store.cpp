// Named settings per screen and operator, and the signed-in session's values.
#include "base/clock.h"
#include "services/session.h"
#include "services/settings_store.h"
#include "unit_cases.h"

TEST(SettingsStore, NamedSetsPerScreenAndOperator) {
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    const SettingVariables mine{{"DTINI", "01/12/2026"}, {"SITUACAO", "A Vencer"}, {"CLIENTE", "a=b;c/d\\e"}, {"VAZIO", ""}};
    store.save("COT05000", "VENDEDOR", "Minhas propostas", mine);
    store.save("COT05000", "VENDEDOR", "Aceitas/2026", {{"SITUACAO", "Aceita"}});
    store.save("COT05000", "GERENTE", "Minhas propostas", {{"SITUACAO", "Vencida"}});

    EXPECT_EQ(store.list("COT05000", "VENDEDOR"), (QStringList{"Minhas propostas", "Aceitas/2026"}));
    EXPECT_EQ(store.load("COT05000", "VENDEDOR", "minhas propostas"), mine);
    EXPECT_EQ(store.load("COT05000", "GERENTE", "Minhas propostas")->value(0).second, "Vencida");
    EXPECT_TRUE(!store.load("COT05000", "VENDEDOR", "Outra").has_value() && store.list("COT05001", "VENDEDOR").isEmpty());

    // saving under an existing name replaces it in place; another instance sees the file
    store.save("COT05000", "VENDEDOR", "MINHAS PROPOSTAS", {{"SITUACAO", "Válida"}});
    SettingsStore again(dir.path());
    EXPECT_EQ(again.list("COT05000", "VENDEDOR"), (QStringList{"MINHAS PROPOSTAS", "Aceitas/2026"}));
    EXPECT_EQ(again.load("COT05000", "VENDEDOR", "Minhas propostas")->value(0).second, "Válida");

    EXPECT_EQ(QList<bool>({again.remove("COT05000", "VENDEDOR", "aceitas/2026"), again.remove("COT05000", "VENDEDOR", "aceitas/2026")}),
              QList<bool>({true, false}));
    EXPECT_EQ(store.list("COT05000", "VENDEDOR"), QStringList{"MINHAS PROPOSTAS"});
    EXPECT_THROW(store.save("COT05000", "VENDEDOR", "  ", {}), UserError);
}

// Operator codes never escape the folder or share a file; a folder that cannot be written
// is reported.
TEST(SettingsStore, OperatorCodesNeverEscapeTheFolderAndUnwritableFoldersAreReported) {
    QTemporaryDir dir;
    SettingsStore store(dir.path() + "/cfg");
    for (const auto& [code, value] : {std::pair{"../../etc/x", "1"}, {"A.B", "2"}, {"A_B", "3"}})
        store.save("COT05000", code, "a", {{"K", value}});
    EXPECT_EQ(store.load("COT05000", "A.B", "a")->value(0).second + store.load("COT05000", "A_B", "a")->value(0).second, "23");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());  // nothing outside cfg/
    EXPECT_EQ(QDir(dir.path() + "/cfg").entryList(QDir::Files).size(), 3);

    ASSERT_TRUE(writeFile(dir.filePath("arquivo")));
    SettingsStore blocked(dir.filePath("arquivo/sub"));
    EXPECT_THROW(blocked.save("COT05000", "VENDEDOR", "a", {{"K", "1"}}), UserError);
    EXPECT_TRUE(blocked.list("COT05000", "VENDEDOR").isEmpty());
}

TEST(Session, SignedInValuesServerDateAndCacheNotices) {
    Session& s = Session::instance();
    s.reset();
    s.setOperator(" VENDEDOR ", "Vendedor Demonstração");
    s.setBranch("0001");
    s.setServer("127.0.0.1", 8211);
    EXPECT_EQ((QStringList{s.operatorCode(), s.operatorName(), s.branch(), s.serverHost(), QString::number(s.serverPort())}),
              (QStringList{"VENDEDOR", "Vendedor Demonstração", "0001", "127.0.0.1", "8211"}));
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
