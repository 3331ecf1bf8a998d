// Server configuration from the command line, a configuration file and the environment.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

TEST(ServerConfigTest, DefaultsFindTheProjectFromTheExecutable) {
    QTemporaryDir root;
    QFile(root.filePath("CMakeLists.txt")).open(QIODevice::WriteOnly);
    QDir(root.path()).mkpath("build/bin");
    const ServerConfig c = ServerConfig::fromArgs({}, {}, root.filePath("build/bin/cot05000-server"));
    EXPECT_EQ(std::tuple(c.databaseUrl, c.listenAddress, c.port, c.seedDemo, c.helpRequested, c.allowedOrigins.isEmpty()),
              std::tuple("sqlite:" + QDir(root.path()).filePath("var/demo.db"), QString("127.0.0.1"), 8211, true, false, true));

    // Elsewhere (an installed binary) the current folder holds var/.
    const ServerConfig elsewhere = ServerConfig::fromArgs({}, {}, "/opt/cot/cot05000-server");
    EXPECT_EQ(elsewhere.databaseUrl, "sqlite:" + QDir::current().filePath("var/demo.db"));
    // Passwords stay out of messages.
    EXPECT_EQ(displayDatabaseUrl("postgresql://cot:s3nha@db:5432/cot"), "postgresql://cot:***@db:5432/cot");
    EXPECT_EQ(displayDatabaseUrl("sqlite:/srv/cot/var/demo.db"), "sqlite:/srv/cot/var/demo.db");
    EXPECT_TRUE(ServerConfig::usage().contains("--allowed-origin ORIGEM"));
}

TEST(ServerConfigTest, OptionsWinOverEnvironment) {
    const auto e = env({{"COT_DB", "postgresql://cot:s3nha@db:5432/cot"}, {"COT_LISTEN", "0.0.0.0"}, {"COT_PORT", "9000"},
                        {"COT_ALLOWED_ORIGIN", "https://env.com"}});
    const ServerConfig fromEnv = ServerConfig::fromArgs({}, e, {});
    EXPECT_EQ(std::tuple(fromEnv.databaseUrl, fromEnv.listenAddress, fromEnv.port, fromEnv.allowedOrigins),
              std::tuple(QString("postgresql://cot:s3nha@db:5432/cot"), QString("0.0.0.0"), 9000, QStringList{"https://env.com"}));

    const ServerConfig c = ServerConfig::fromArgs({"--db", "sqlite:dados/x.db", "--listen=10.0.0.5", "--port", "0", "--threads",
                                                   "4", "--no-seed", "--allowed-origin", "https://a.com",
                                                   "--allowed-origin=http://b.com:81,https://a.com"}, e, {});
    // Origins given more than once add up, each once.
    EXPECT_EQ(std::tuple(c.databaseUrl, c.listenAddress, c.port, c.threads, c.seedDemo, c.allowedOrigins),
              std::tuple("sqlite:" + QDir::current().absoluteFilePath("dados/x.db"), QString("10.0.0.5"), 0, 4, false,
                         QStringList{"https://a.com", "http://b.com:81"}));
    EXPECT_TRUE(ServerConfig::fromArgs({"--help"}, {}, {}).helpRequested);
}

TEST(ServerConfigTest, BadValuesAreExplained) {
    const std::tuple<QStringList, QProcessEnvironment, std::string> cases[] = {
        {{"--port", "80a"}, {}, "Porta inválida em --port: \"80a\"."},
        {{"--port", "70000"}, {}, "Porta inválida em --port: \"70000\"."},
        {{}, env({{"COT_PORT", "-1"}}), "Porta inválida em COT_PORT: \"-1\"."},
        {{"--port"}, {}, "Falta o valor de --port."},
        {{"--db", "mysql://x"}, {}, "Banco de dados inválido em --db: use sqlite:CAMINHO ou postgresql://..."},
        {{"--db", "sqlite:"}, {}, "Caminho do banco SQLite ausente em --db."},
        {{"--threads", "0"}, {}, "Número de linhas de execução inválido: \"0\"."},
        {{"--verbose"}, {}, "Opção desconhecida: --verbose."},
        {{"--config", "a.conf", "--config", "b.conf"}, {}, "Opção desconhecida: --config."},
        {{"--no-seed", "--config"}, {}, "Falta o valor de --config."},
    };
    for (const auto& [args, e, message] : cases) EXPECT_EQ(errorOf(args, e), message) << args.join(' ').toStdString();
    // Whatever is not an option of ours is named as it was given.
    for (const char* stray : {"--verbose=1", "-x", "-hx", "--h", "-port", "extra", "--"})
        EXPECT_EQ(errorOf({"--port", "1", stray}), QString("Opção desconhecida: %1.").arg(stray).toStdString());
    for (const char* bad : {"intranet.com", "https://a.com/pagina", "ftp://a.com", "https://", ","})
        EXPECT_NE(errorOf({"--allowed-origin", bad}), "no error") << bad;
    // A value may look like an option; a switch given a value is the switch.
    EXPECT_EQ(ServerConfig::fromArgs({"--listen", "--", "--no-seed=sim"}, {}, {}).listenAddress, "--");
    EXPECT_FALSE(ServerConfig::fromArgs({"--no-seed=sim"}, {}, {}).seedDemo);
    EXPECT_TRUE(ServerConfig::fromArgs({"-h"}, {}, {}).helpRequested);
}

TEST(ServerConfigTest, AConfigurationFileGivesTheOptionsAndTheCommandLineWins) {
    QTemporaryDir dir;
    const QString path = dir.filePath("server.conf");
    auto write = [&](const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size());
    };
    write("# servidor da matriz\n"
          "db = postgresql://cot@db:5432/cot\n"
          "listen = 0.0.0.0\n"
          "port=9000\n"
          "  threads = 32  \n"
          "session-minutes = 60\n"
          "limit = header-lines=50\n"
          "LIMIT = page-burst=5\n"
          "allowed-origin = https://file.com\n"
          "no-seed = sim\n");
    const ServerConfig c =
        ServerConfig::fromArgs({"--config", path, "--port", "9100", "--allowed-origin", "https://cli.com"}, {}, {});
    // The port from the command line wins; a name repeated ("limit") adds up, and so do origins.
    EXPECT_EQ(std::tuple(c.databaseUrl, c.listenAddress, c.port, c.threads, c.sessionIdleMinutes, c.seedDemo,
                         c.limits.headerLines, c.limits.pageBurst, c.allowedOrigins),
              std::tuple(QString("postgresql://cot@db:5432/cot"), QString("0.0.0.0"), 9100, 32, 60, false, 50, 5,
                         QStringList{"https://file.com", "https://cli.com"}));
    EXPECT_EQ(ServerConfig::fromArgs({"--config=" + path}, {}, {}).port, 9000);
    // Values are taken whole: a "#" or ";" inside one is part of it.
    write("db = postgresql://cot:s#n;ha@db/cot\n");
    EXPECT_EQ(ServerConfig::fromArgs({"--config", path}, {}, {}).databaseUrl, "postgresql://cot:s#n;ha@db/cot");

    write("porta = 1\n");
    EXPECT_EQ(errorOf({"--config", path}), QString("Opção desconhecida em %1:1: porta.").arg(path).toStdString());
    write("\nport =\n");
    EXPECT_EQ(errorOf({"--config", path}), QString("Falta o valor de port em %1:2.").arg(path).toStdString());
    write("no-seed = talvez\n");
    EXPECT_NE(errorOf({"--config", path}).find("use sim ou não"), std::string::npos);
    write("port = 70000\n");
    EXPECT_NE(errorOf({"--config", path}).find("Porta inválida"), std::string::npos);
    EXPECT_NE(errorOf({"--config", dir.filePath("nada.conf")}).find("não encontrado"), std::string::npos);
}

TEST(ServerConfigTest, ABusyPortIsRefusedNotShared) {
    cot::testing::TestServer first;
    ServerConfig config;
    config.databaseUrl = first.databaseUrl();
    config.port = first.port();
    config.seedDemo = false;
    RpcServer second(config);
    try {
        second.start();
        ADD_FAILURE() << "second server started on a busy port";
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()), QStringLiteral("Não foi possível escutar em 127.0.0.1:%1.").arg(first.port()).toStdString());
    }
    EXPECT_TRUE(first.connection().call("PrxProposta").ok);
}

}  // namespace
