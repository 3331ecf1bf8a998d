#include "rpc/protocol_check.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <optional>

#include "base/protocol_version.h"

namespace cot {

namespace {

std::optional<int> reportedProtocol(const QJsonObject& report) {
    const QJsonValue v = report.value(QLatin1String("protocolo"));
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < 1 || d > 1e6) return std::nullopt;
    return int(d);
}

QString serverProgram(const QJsonObject& report) {
    const QString version = report.value(QLatin1String("versao")).toString().trimmed();
    return version.isEmpty() ? QStringLiteral("cot05000-server de versão desconhecida")
                             : QStringLiteral("cot05000-server %1").arg(version);
}

}  // namespace

QString desktopProgram() { return QStringLiteral("cot-host %1").arg(QLatin1String(COT_VERSION)); }

QString protocolRefusal(const QByteArray& health, const QString& serverAddress) {
    const QJsonObject report = QJsonDocument::fromJson(health).object();
    const std::optional<int> protocol = reportedProtocol(report);
    if (protocol == kProtocolVersion) return {};
    const QString ours =
        QStringLiteral("este programa fala a versão %1 (%2).").arg(QString::number(kProtocolVersion), desktopProgram());
    if (!protocol)
        return QStringLiteral("O servidor de aplicação em %1 fala uma versão desconhecida do protocolo (%2); %3 "
                              "Atualize o servidor de aplicação.")
            .arg(serverAddress, serverProgram(report), ours);
    // Whoever is behind updates: the desktop for a newer server, the server for a newer desktop.
    const QString update = *protocol > kProtocolVersion ? QStringLiteral("Atualize o cot-host.")
                                                        : QStringLiteral("Atualize o servidor de aplicação.");
    return QStringLiteral("O servidor de aplicação em %1 fala a versão %2 do protocolo (%3); %4 %5")
        .arg(serverAddress, QString::number(*protocol), serverProgram(report), ours, update);
}

}  // namespace cot
