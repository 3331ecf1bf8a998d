#include "host_config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace cot::shell {

namespace {

// "host:port" → parts; false when the port is not a number in range.
bool parseServer(const QString& text, QString& host, int& port) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return false;
    bool ok = false;
    const int p = text.mid(colon + 1).toInt(&ok);
    if (!ok || p <= 0 || p > 65535) return false;
    host = text.left(colon);
    port = p;
    return true;
}

}  // namespace

QString HostConfig::defaultConfigFile() {
    // The user's own file, else the machine's (installed with the desktop package).
    const QString own =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath("cot/cot-host.ini");
    const QString machine = QStringLiteral("/etc/cot05000/cot-host.ini");
    return !QFileInfo::exists(own) && QFileInfo::exists(machine) ? machine : own;
}

QString HostConfig::defaultDatabaseUrl() {
    // The demo database the server creates: <project>/var/demo.db, the executable living
    // in <project>/build/bin.
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    const QFileInfo projectVar(QDir(exeDir).filePath("../../var"));
    const QString folder = projectVar.isDir() ? projectVar.canonicalFilePath() : QDir::current().filePath("var");
    return QStringLiteral("sqlite:") + QDir(folder).filePath("demo.db");
}

QString HostConfig::usage() {
    return QStringLiteral(
        "Uso: cot-host [opções]\n"
        "  --db URL             banco do host (sqlite:ARQUIVO ou postgresql://...)\n"
        "  --server HOST:PORTA  servidor de aplicação\n"
        "  --operator CÓDIGO    operador\n"
        "  --password SENHA     senha (ou a variável COT_PASSWORD)\n"
        "  --branch CÓDIGO      filial\n"
        "  --config ARQUIVO     arquivo de configuração (padrão ~/.config/cot/cot-host.ini)\n"
        "  --modules PASTA      pasta dos módulos\n"
        "  --open MÓDULO        abre o módulo logo após a entrada (ex.: Pkg_cot05000)\n"
        "  --screenshot ARQUIVO salva a imagem da janela principal e encerra\n"
        "  --scenario ARQUIVO   executa o roteiro nas telas e encerra (0: cumprido, 1: falhou,\n"
        "                       2: roteiro inválido); veja docs/scenarios.md\n"
        "  --attachments-dir PASTA  grava a pasta base dos anexos do operador\n"
        "  --tls                HTTPS com o servidor de aplicação (certificado conferido)\n"
        "  --version            mostra a versão\n"
        "  --tls-ca ARQUIVO     autoridade certificadora (PEM) do certificado do servidor;\n"
        "                       implica --tls\n");
}

HostConfig HostConfig::fromArguments(const QStringList& arguments, const QString& environmentPassword) {
    HostConfig c;
    c.configFile = defaultConfigFile();
    c.password = environmentPassword;

    // The configuration file may be named on the command line: find it first.
    for (int i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("--config")) c.configFile = arguments[i + 1];
    if (QFileInfo::exists(c.configFile)) {
        QSettings ini(c.configFile, QSettings::IniFormat);
        c.webUrl = ini.value("Servidor/WebURL", c.webUrl).toString();
        bool ok = false;
        const int port = ini.value("Servidor/WebPort").toInt(&ok);
        if (ok && port > 0 && port <= 65535) c.webPort = port;
        c.databaseUrl = ini.value("Banco/URL").toString();
        c.moduleFolder = ini.value("Modulos/Pasta").toString();
        c.tls = ini.value("Servidor/TLS", false).toBool();
        c.tlsCa = ini.value("Servidor/CA").toString();
    }

    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.help = true;
            continue;
        }
        if (a == QLatin1String("--version")) {
            c.version = true;
            continue;
        }
        if (a == QLatin1String("--tls")) {
            c.tls = true;
            continue;
        }
        static const QStringList withValue{"--db", "--server", "--operator", "--password", "--branch",
                                           "--config", "--modules", "--screenshot", "--open", "--scenario",
                                           "--attachments-dir", "--tls-ca"};
        if (!withValue.contains(a)) {
            c.error = QStringLiteral("Opção desconhecida: %1").arg(a);
            return c;
        }
        if (i + 1 >= arguments.size()) {
            c.error = QStringLiteral("A opção %1 precisa de um valor.").arg(a);
            return c;
        }
        const QString v = arguments[++i];
        if (a == QLatin1String("--db")) c.databaseUrl = v;
        else if (a == QLatin1String("--server")) {
            if (!parseServer(v, c.webUrl, c.webPort)) {
                c.error = QStringLiteral("Servidor inválido: %1 (use HOST:PORTA).").arg(v);
                return c;
            }
        } else if (a == QLatin1String("--operator")) c.operatorCode = v.trimmed().toUpper();
        else if (a == QLatin1String("--password")) c.password = v;
        else if (a == QLatin1String("--branch")) c.branch = v.trimmed();
        else if (a == QLatin1String("--modules")) c.moduleFolder = v;
        else if (a == QLatin1String("--screenshot")) c.screenshot = v;
        else if (a == QLatin1String("--open")) c.openModule = v;
        else if (a == QLatin1String("--scenario")) c.scenario = v;
        else if (a == QLatin1String("--attachments-dir")) c.attachmentsDir = v;
        else if (a == QLatin1String("--tls-ca")) c.tlsCa = v;
    }
    if (!c.scenario.isEmpty() && !c.screenshot.isEmpty()) {
        c.error = QStringLiteral("--scenario e --screenshot não podem ser usados juntos.");
        return c;
    }
    if (!c.tlsCa.isEmpty()) c.tls = true;
    if (c.databaseUrl.isEmpty()) c.databaseUrl = defaultDatabaseUrl();
    return c;
}

}  // namespace cot::shell
