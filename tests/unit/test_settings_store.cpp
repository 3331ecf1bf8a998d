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
    ASSERT_TRUE(store.load("COT05000", "VENDEDOR", "minhas propostas").has_value());
    EXPECT_EQ(*store.load("COT05000", "VENDEDOR", "Minhas propostas"), mine);
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

TEST(SettingsStore, OperatorCodesNeverEscapeTheFolderOrShareAFile) {
    QTemporaryDir dir;
    SettingsStore store(dir.path() + "/cfg");
    store.save("COT05000", "../../etc/x", "a", {{"K", "1"}});
    store.save("COT05000", "A.B", "a", {{"K", "2"}});
    store.save("COT05000", "A_B", "a", {{"K", "3"}});
    EXPECT_EQ(store.load("COT05000", "A.B", "a")->value(0).second, "2");
    EXPECT_EQ(store.load("COT05000", "A_B", "a")->value(0).second, "3");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());  // nothing outside cfg/
    EXPECT_EQ(QDir(dir.path() + "/cfg").entryList(QDir::Files).size(), 3);
}

TEST(SettingsStore, UnwritableFolderIsReported) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("arquivo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(dir.filePath("arquivo/sub"));
    EXPECT_THROW(store.save("COT05000", "VENDEDOR", "a", {{"K", "1"}}), UserError);
    EXPECT_TRUE(store.list("COT05000", "VENDEDOR").isEmpty());
}
