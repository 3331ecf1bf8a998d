// Words shown for the header's one-letter codes and the document numbers formatted
// with the mask of their person type.
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "services/consiste.h"
#include "services/local_query.h"
#include "services/mask_text.h"
#include "ui/db_combo_box.h"

namespace cot {

namespace {

// The document number as typed is kept for the editor; lists and display show it with
// the mask of its person type.
QString documentText(const QString& number, const QString& personType, bool display) {
    if (!display || number.isEmpty()) return number;
    const QString mask = Consiste::PictPess(personType);
    return mask.isEmpty() ? number : formatMaskText(mask, number);
}

void documentGetText(TADOIBQuery& q, const char* number, const char* type) {
    Field& f = q.fieldByName(QString::fromLatin1(number));
    const QString typeField = QString::fromLatin1(type);
    f.onGetText = [&q, typeField](Field& field, bool display) {
        return documentText(field.asString(), q.fieldByName(typeField).asString(), display);
    };
}

}  // namespace

void HeaderController::attachDisplayHandlers() {
    Field& solicitation = f("IDSOLPROPFAS");
    solicitation.onGetText = [this](Field& field, bool) {
        if (field.isNull()) return QString();
        return field.asString() == QLatin1String("S") ? msg(QStringLiteral("Solicitação"))
                                                      : msg(QStringLiteral("Proposta"));
    };
    solicitation.onSetText = [this](Field& field, const QString& text) {
        field.setAsString(text == msg(QStringLiteral("Solicitação")) ? QStringLiteral("S") : QStringLiteral("N"));
    };

    Field& party = f("IDCLIENPROSP");
    party.onGetText = [this](Field& field, bool) {
        const QString code = field.asString();
        if (code == QLatin1String("C")) return msg(QStringLiteral("Cliente"));
        if (code == QLatin1String("P")) return msg(QStringLiteral("Prospect"));
        return QString();
    };
    party.onSetText = [this](Field& field, const QString& text) {
        if (text == msg(QStringLiteral("Cliente"))) field.setAsString(QStringLiteral("C"));
        else if (text == msg(QStringLiteral("Prospect"))) field.setAsString(QStringLiteral("P"));
    };

    f("IDTIPOPROPFAS").onGetText = [this](Field& field, bool) {
        const QString code = field.asString();
        if (code == QLatin1String("M")) return msg(QStringLiteral("LU/Manutencao"));
        if (code == QLatin1String("L")) return msg(QStringLiteral("Locacao"));
        return msg(QStringLiteral("Servico"));
    };

    f("NRINSJURCLIE").onGetText = [this](Field& field, bool display) {
        const bool clientWithCode = f("IDCLIENPROSP").asString() == QLatin1String("C") &&
                                    !f("CDCLIENTE").asString().trimmed().isEmpty();
        const QString type = clientWithCode ? f("IDTPIJURCLIE").asString() : f("IDTPIJURPROS").asString();
        return documentText(field.asString(), type, display);
    };
    documentGetText(qryPesqCliente, "NRINSJURCLIE", "IDTPIJURCLIE");
    documentGetText(qryPesqClieIns, "NRINSJURCLIE", "IDTPIJURCLIE");
    documentGetText(qryPesqProspect, "NRINSJURPROS", "IDTPIJURPROS");
}

}  // namespace cot
