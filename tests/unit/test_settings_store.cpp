#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/errors.h"
#include "services/settings_store.h"
#include "support/qt_printers.h"

using namespace cot;

TEST(SettingsStore, NamedSetsPerScreenAndOperator) {
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    const SettingVariables mine{{"DTINI", "01/12/2026"}, {"SITUACAO", "A Vencer"}, {"CLIENTE", "a=b;c/d\\e"},
                                {"VAZIO", ""}};
    store.save("COT05000", "VENDEDOR", "Minhas propostas", mine);
    store.save("COT05000", "VENDEDOR", "Aceitas/2026", {{"SITUACAO", "Aceita"}});
    store.save("COT05000", "GERENTE", "Minhas propostas", {{"SITUACAO", "Vencida"}});

    EXPECT_EQ(store.list("COT05000", "VENDEDOR"), (QStringList{"Minhas propostas", "Aceitas/2026"}));
    EXPECT_EQ(store.load("COT05000", "VENDEDOR", "minhas propostas"), mine);
    EXPECT_EQ(store.load("COT05000", "GERENTE", "Minhas propostas")->value(0).second, "Vencida");
    EXPECT_FALSE(store.load("COT05000", "VENDEDOR", "Outra").has_value());
    EXPECT_TRUE(store.list("COT05001", "VENDEDOR").isEmpty());

    // saving under an existing name replaces it in place; another instance sees the file
    store.save("COT05000", "VENDEDOR", "MINHAS PROPOSTAS", {{"SITUACAO", "Válida"}});
    SettingsStore again(dir.path());
    EXPECT_EQ(again.list("COT05000", "VENDEDOR"), (QStringList{"MINHAS PROPOSTAS", "Aceitas/2026"}));
    EXPECT_EQ(again.load("COT05000", "VENDEDOR", "Minhas propostas")->value(0).second, "Válida");

    EXPECT_TRUE(again.remove("COT05000", "VENDEDOR", "aceitas/2026"));
    EXPECT_FALSE(again.remove("COT05000", "VENDEDOR", "aceitas/2026"));
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

    QFile blocker(dir.filePath("arquivo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore blocked(dir.filePath("arquivo/sub"));
    EXPECT_THROW(blocked.save("COT05000", "VENDEDOR", "a", {{"K", "1"}}), UserError);
    EXPECT_TRUE(blocked.list("COT05000", "VENDEDOR").isEmpty());
}
