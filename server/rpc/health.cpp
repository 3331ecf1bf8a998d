#include "server/rpc/health.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

#include "server/migrations/migrations.h"
#include "server/rpc/json_rpc.h"
#include "server/storage/database.h"

namespace cot::server {

QByteArray healthReport(DatabaseSource& databases, const QString& programVersion, std::optional<int> protocol) {
    QJsonObject report{{"versao", programVersion}, {"esquemaPrograma", latestSchemaVersion()}};
    if (protocol) report["protocolo"] = *protocol;
    try {
        Database& db = databases.get();
        report["banco"] = db.dialect() == Dialect::Postgres ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
        report["esquema"] = db.scalar(QStringLiteral("SELECT MAX(VERSION) FROM SCHEMA_VERSION")).toInt();
        report["estado"] = QStringLiteral("ok");
    } catch (const std::exception& e) {
        qWarning().noquote() << "cot05000-server: verificação de saúde falhou:" << e.what();
        databases.discard();
        report["estado"] = QStringLiteral("falha");
        report["erro"] = QStringLiteral("banco de dados não responde");
    }
    return QJsonDocument(report).toJson(QJsonDocument::Compact);
}

}  // namespace cot::server
