// Server configuration from the command line, a configuration file and the environment.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>

#include "server/rpc/rpc_server.h"
#include "server/rpc/server_config.h"
#include "support/test_server.h"

using namespace cot::server;

namespace {

QProcessEnvironment env(std::initializer_list<std::pair<QString, QString>> vars) {
    QProcessEnvironment e;
    for (const auto& [k, v] : vars) e.insert(k, v);
    return e;
}

std::string errorOf(const QStringList& args, const QProcessEnvironment& e = {}) {
    try {
        ServerConfig::fromArgs(args, e, {});
    } catch (const ConfigError& error) {
        return error.what();
    }
    return "no error";
}

TEST(ServerConfigTest, DefaultsFindTheProjectFromTheExecutableAndOptionsWinOverEnvironment) {
    QTemporaryDir root;
    QFile(root.filePath("CMakeLists.txt")).open(QIODevice::WriteOnly);
    QDir(root.path()).mkpath("build/bin");
    const ServerConfig c = ServerConfig::fromArgs({}, {}, root.filePath("build/bin/cot05000-server"));
    EXPECT_EQ(std::tuple(c.databaseUrl, c.listenAddress, c.port, c.seedDemo, c.helpRequested, c.allowedOrigins.isEmpty()),
              std::tuple("sqlite:" + QDir(root.path()).filePath("var/demo.db"), QString("127.0.0.1"), 8211, true, false, true));

    // Elsewhere (an installed binary) the current folder holds var/.
    EXPECT_EQ(ServerConfig::fromArgs({}, {}, "/opt/cot/cot05000-server").databaseUrl, "sqlite:" + QDir::current().filePath("var/demo.db"));
    // Passwords stay out of messages.
    EXPECT_EQ(std::pair(displayDatabaseUrl("postgresql://cot:s3nha@db:5432/cot"), displayDatabaseUrl("sqlite:/srv/cot/var/demo.db")),
              std::pair(QString("postgresql://cot:***@db:5432/cot"), QString("sqlite:/srv/cot/var/demo.db")));
    EXPECT_TRUE(ServerConfig::usage().contains("--allowed-origin ORIGEM"));

    // Options win over the environment.
    const auto e = env({{"COT_DB", "postgresql://cot:s3nha@db:5432/cot"}, {"COT_LISTEN", "0.0.0.0"}, {"COT_PORT", "9000"},
                        {"COT_ALLOWED_ORIGIN", "https://env.com"}});
    const ServerConfig fromEnv = ServerConfig::fromArgs({}, e, {});
    EXPECT_EQ(std::tuple(fromEnv.databaseUrl, fromEnv.listenAddress, fromEnv.port, fromEnv.allowedOrigins),
              std::tuple(QString("postgresql://cot:s3nha@db:5432/cot"), QString("0.0.0.0"), 9000, QStringList{"https://env.com"}));

    const ServerConfig given = ServerConfig::fromArgs({"--db", "sqlite:dados/x.db", "--listen=10.0.0.5", "--port", "0", "--threads",
                                                       "4", "--no-seed", "--allowed-origin", "https://a.com",
                                                       "--allowed-origin=http://b.com:81,https://a.com"}, e, {});
    // Origins given more than once add up, each once.
    EXPECT_EQ(std::tuple(given.databaseUrl, given.listenAddress, given.port, given.threads, given.seedDemo, given.allowedOrigins),
              std::tuple("sqlite:" + QDir::current().absoluteFilePath("dados/x.db"), QString("10.0.0.5"), 0, 4, false,
                         QStringList{"https://a.com", "http://b.com:81"}));
}

TEST(ServerConfigTest, BadValuesAreExplained) {
    const std::tuple<QStringList, QProcessEnvironment, std::string> cases[] = {
        {{"--port", "80a"}, {}, "Porta inválida em --port: \"80a\"."}, {{"--port", "70000"}, {}, "Porta inválida em --port: \"70000\"."},
        {{}, env({{"COT_PORT", "-1"}}), "Porta inválida em COT_PORT: \"-1\"."}, {{"--port"}, {}, "Falta o valor de --port."},
        {{"--db", "mysql://x"}, {}, "Banco de dados inválido em --db: use sqlite:CAMINHO ou postgresql://..."},
        {{"--db", "sqlite:"}, {}, "Caminho do banco SQLite ausente em --db."}, {{"--verbose"}, {}, "Opção desconhecida: --verbose."},
        {{"--threads", "0"}, {}, "Número de linhas de execução inválido: \"0\"."},
        {{"--config", "a.conf", "--config", "b.conf"}, {}, "Opção desconhecida: --config."},
        {{"--no-seed", "--config"}, {}, "Falta o valor de --config."}};
    for (const auto& [args, e, message] : cases) EXPECT_EQ(errorOf(args, e), message) << args.join(' ').toStdString();
    // Whatever is not an option of ours is named as it was given.
    for (const char* stray : {"--verbose=1", "-x", "-hx", "--h", "-port", "extra", "--"})
        EXPECT_EQ(errorOf({"--port", "1", stray}), QString("Opção desconhecida: %1.").arg(stray).toStdString());
    for (const char* bad : {"intranet.com", "https://a.com/pagina", "ftp://a.com", "https://", ","})
        EXPECT_NE(errorOf({"--allowed-origin", bad}), "no error") << bad;
    // A value may look like an option; a switch given a value is the switch.
    EXPECT_EQ(ServerConfig::fromArgs({"--listen", "--", "--no-seed=sim"}, {}, {}).listenAddress, "--");
    EXPECT_FALSE(ServerConfig::fromArgs({"--no-seed=sim"}, {}, {}).seedDemo);
    EXPECT_TRUE(ServerConfig::fromArgs({"-h"}, {}, {}).helpRequested && ServerConfig::fromArgs({"--help"}, {}, {}).helpRequested);
}

TEST(ServerConfigTest, AConfigurationFileGivesTheOptionsAndTheCommandLineWins) {
    QTemporaryDir dir;
    const QString path = dir.filePath("server.conf");
    auto write = [&](const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size());
    };
    write("# servidor da matriz\ndb = postgresql://cot@db:5432/cot\nlisten = 0.0.0.0\nport=9000\n  threads = 32  \n"
          "session-minutes = 60\nlimit = header-lines=50\nLIMIT = page-burst=5\nallowed-origin = https://file.com\nno-seed = sim\n");
    const ServerConfig c = ServerConfig::fromArgs({"--config", path, "--port", "9100", "--allowed-origin", "https://cli.com"}, {}, {});
    // The port from the command line wins; a name repeated ("limit") adds up, and so do origins.
    EXPECT_EQ(std::tuple(c.databaseUrl, c.listenAddress, c.port, c.threads, c.sessionIdleMinutes, c.seedDemo,
                         c.limits.headerLines, c.limits.pageBurst, c.allowedOrigins),
              std::tuple(QString("postgresql://cot@db:5432/cot"), QString("0.0.0.0"), 9100, 32, 60, false, 50, 5,
                         QStringList{"https://file.com", "https://cli.com"}));
    EXPECT_EQ(ServerConfig::fromArgs({"--config=" + path}, {}, {}).port, 9000);
    // Values are taken whole: a "#" or ";" inside one is part of it.
    write("db = postgresql://cot:s#n;ha@db/cot\n");
    EXPECT_EQ(ServerConfig::fromArgs({"--config", path}, {}, {}).databaseUrl, "postgresql://cot:s#n;ha@db/cot");

    for (const auto& [text, said] : std::initializer_list<std::pair<QByteArray, QString>>{
             {"porta = 1\n", "Opção desconhecida em " + path + ":1: porta."}, {"\nport =\n", "Falta o valor de port em " + path + ":2."},
             {"no-seed = talvez\n", "use sim ou não"}, {"port = 70000\n", "Porta inválida"}}) {
        write(text);
        EXPECT_TRUE(QString::fromStdString(errorOf({"--config", path})).contains(said)) << errorOf({"--config", path});
    }
    EXPECT_NE(errorOf({"--config", dir.filePath("nada.conf")}).find("não encontrado"), std::string::npos);
}

TEST(ServerConfigTest, ABusyPortIsRefusedNotShared) {
    cot::testing::TestServer first;
    RpcServer second({.databaseUrl = first.databaseUrl(), .port = first.port(), .seedDemo = false});
    EXPECT_THAT([&] { second.start(); }, ::testing::ThrowsMessage<ConfigError>(::testing::StrEq(
        QStringLiteral("Não foi possível escutar em 127.0.0.1:%1.").arg(first.port()).toStdString())));
    EXPECT_TRUE(first.connection().call("PrxProposta").ok);
}

}  // namespace
