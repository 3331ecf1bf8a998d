#include "server/client_page/decision_page.h"

#include "server/client_page/page_html.h"
#include "server/client_page/page_text.h"

namespace cot::server::client_page {

namespace {

QString errorAtTop(const QString& message) {
    if (message.isEmpty()) return {};
    return QStringLiteral("<p id=\"mensagem\" class=\"erro\" role=\"alert\">%1</p>\n").arg(esc(message));
}

// ` autofocus` on the field the message asks for: the browser scrolls to it.
QString focusIf(bool on) { return on ? QStringLiteral(" autofocus") : QString(); }

QString acceptForm(const QString& hash, const FormValues& typed, const QString& message) {
    const bool noName = !message.isEmpty() && typed.name.isEmpty();
    const bool unread = !message.isEmpty() && !noName;
    return QStringLiteral(
               "<form id=\"form-aceite\" method=\"post\" action=\"#form-aceite\">\n<h2>Aceitar</h2>\n%6"
               "<input type=\"hidden\" name=\"acao\" value=\"aceitar\">\n"
               "<input type=\"hidden\" name=\"conteudo\" value=\"%1\">\n"
               "<label for=\"nome\">Nome</label>\n"
               "<input type=\"text\" id=\"nome\" name=\"nome\" required maxlength=\"100\" autocomplete=\"name\" "
               "value=\"%2\"%7>\n"
               "<label for=\"cargo\">Cargo</label>\n"
               "<input type=\"text\" id=\"cargo\" name=\"cargo\" maxlength=\"100\" "
               "autocomplete=\"organization-title\" value=\"%3\">\n"
               "<label class=\"marca\" for=\"li\"><input type=\"checkbox\" id=\"li\" name=\"li\" value=\"sim\" "
               "required%4%8> Li e aceito a proposta</label>\n"
               "<label for=\"comentario-aceite\">Comentário</label>\n"
               "<textarea id=\"comentario-aceite\" name=\"comentario\" maxlength=\"2000\">%5</textarea>\n"
               "<button type=\"submit\" id=\"btn-aceitar\">Aceitar a proposta</button>\n</form>\n")
        .arg(esc(hash), esc(typed.name), esc(typed.role), typed.read ? QStringLiteral(" checked") : QString(),
             esc(typed.acceptComment), errorAtTop(message), focusIf(noName), focusIf(unread));
}

// Declining asks for a second tick: one tap on the button declines nothing.
QString declineForm(const QString& hash, const FormValues& typed, const QString& message) {
    static const std::pair<const char*, const char*> reasons[] = {
        {"preco", "Preço"},   {"prazo", "Prazo"}, {"concorrente", "Concorrente"},
        {"escopo", "Escopo"}, {"outro", "Outro"}};
    QString options = QStringLiteral("<option value=\"\">Escolha o motivo</option>\n");
    for (const auto& [value, label] : reasons)
        options += QStringLiteral("<option value=\"%1\"%2>%3</option>\n")
                       .arg(QLatin1String(value),
                            typed.reason == QLatin1String(value) ? QStringLiteral(" selected") : QString(),
                            QString::fromUtf8(label));
    const bool noReason = !message.isEmpty() && typed.reason.isEmpty();
    const bool unconfirmed = !message.isEmpty() && !noReason;
    return QStringLiteral(
               "<form id=\"form-recusa\" method=\"post\" action=\"#form-recusa\">\n<h2>Recusar</h2>\n%4"
               "<input type=\"hidden\" name=\"acao\" value=\"recusar\">\n"
               "<input type=\"hidden\" name=\"conteudo\" value=\"%1\">\n"
               "<label for=\"motivo\">Motivo</label>\n<select id=\"motivo\" name=\"motivo\" required%5>\n%2</select>\n"
               "<label for=\"comentario-recusa\">Comentário</label>\n"
               "<textarea id=\"comentario-recusa\" name=\"comentario\" maxlength=\"2000\">%3</textarea>\n"
               "<label class=\"marca\" for=\"confirma\"><input type=\"checkbox\" id=\"confirma\" name=\"confirma\" "
               "value=\"sim\" required%6> Confirmo a recusa da proposta</label>\n"
               "<button type=\"submit\" id=\"btn-recusar\">Recusar a proposta</button>\n</form>\n")
        .arg(esc(hash), options, esc(typed.declineComment), errorAtTop(message), focusIf(noReason),
             focusIf(unconfirmed));
}

QString receipt(bool accepted, const QString& pdfPath) {
    if (pdfPath.isEmpty()) return {};
    return QStringLiteral("<p><a id=\"recibo-pdf\" href=\"%1\">%2</a></p>\n")
        .arg(esc(pdfPath), accepted ? QStringLiteral("Baixar o PDF da proposta aceita")
                                    : QStringLiteral("Baixar o PDF da proposta recusada"));
}

}  // namespace

QString formsPage(const QString& contentHtml, const QString& hash, const QString& pdfPath, const OfferIdentity& who,
                  const DecisionForm* failed) {
    const bool accepting = failed && failed->action == DecisionForm::Action::Accept;
    const bool declining = failed && failed->action == DecisionForm::Action::Decline;
    const FormValues typed = failed ? failed->values : FormValues{};
    QString body = contentHtml;
    body += QStringLiteral("<p><a id=\"baixar-pdf\" href=\"%1\">Baixar PDF</a></p>\n").arg(esc(pdfPath));
    body += acceptForm(hash, accepting ? typed : FormValues{}, accepting ? failed->missing() : QString());
    body += declineForm(hash, declining ? typed : FormValues{}, declining ? failed->missing() : QString());
    return signedPage(body, who);
}

QString decisionTakenPage(const QString& contentHtml, const QString& decisionText, bool accepted, const QString& pdfPath,
                          const OfferIdentity& who) {
    return signedPage(QStringLiteral("<p id=\"mensagem\">%1</p>\n").arg(esc(decisionText)) + receipt(accepted, pdfPath) +
                          contentHtml,
                      who);
}

QString thanksPage(bool accepted, const QString& pdfPath, const OfferIdentity& who) {
    const QString thanks = accepted ? QStringLiteral("Obrigado! A aceitação da proposta foi registrada.")
                                    : QStringLiteral("Obrigado! A recusa da proposta foi registrada.");
    return signedPage(QStringLiteral("<p id=\"mensagem\">%1</p>\n").arg(esc(thanks)) + receipt(accepted, pdfPath), who);
}

}  // namespace cot::server::client_page
