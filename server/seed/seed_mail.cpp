// Demo mail settings: the branches send through a local relay on port 2525 (the one the
// end-to-end tests start), and every demo language has both acceptance notifications.
#include "server/seed/seed_support.h"

namespace cot::server::detail {

void seedMailSettings(Database& db) {
    // The mail server text takes "host:port".
    db.exec(QStringLiteral("UPDATE ENDEFILI SET DSSMTPEMAILF = '127.0.0.1:2525' WHERE IDTPENDEFILI = 'P'"));
    const QString keys[] = {QStringLiteral("COT05000_PROPCOM"), QStringLiteral("COT05000_PROPSERV")};
    const QString languages[] = {QStringLiteral("POR"), QStringLiteral("ESP")};
    for (const QString& language : languages)
        for (const QString& key : keys) {
            const bool present = db.scalar(QStringLiteral("SELECT COUNT(*) FROM PARAMEMAIL WHERE IDIDIOMA = :L "
                                                          "AND CDPARAMEMAIL = :K"),
                                           {{"L", language}, {"K", key}})
                                     .toInt() > 0;
            if (present) continue;
            const bool licence = key.endsWith(QLatin1String("PROPCOM"));
            insertRow(db, "PARAMEMAIL",
                      {{"IDIDIOMA", language}, {"CDPARAMEMAIL", key},
                       {"DSASSUNPAREMAIL", licence ? QStringLiteral("Propuesta aceptada - cobrar licencia de uso")
                                                   : QStringLiteral("Propuesta aceptada - cobrar paquete de servicios")},
                       {"TXENDERPAREMAIL", licence ? QStringLiteral("faturamento@demo.local")
                                                   : QStringLiteral("servicos@demo.local")},
                       {"TXTEXTOPAREMAIL",
                        licence ? QStringLiteral("Propuesta #PROPOSTA/#VERSAO (#DESCRICAOPROP) aceptada por "
                                                 "#FANTASIACLIENTE/PROSPECT. Líneas: #DADOSLINHAPROD Total: #VRTOTLINHAPROD")
                                : QStringLiteral("Propuesta #PROPOSTA/#VERSAO (#DESCRICAOPROP) aceptada por "
                                                 "#FANTASIACLIENTE/PROSPECT. Paquete de servicios: #VALORPACOTESERVICO")},
                       {"IDSITUPARAEMAIL", "A"}});
        }
}

}  // namespace cot::server::detail
