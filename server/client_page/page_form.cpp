#include "server/client_page/page_form.h"

#include <QMap>
#include <QStringList>
#include <optional>
#include <QStringDecoder>

namespace cot::server::client_page {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One name or value: '+' is a blank, %XX a byte, the bytes UTF-8. Nothing when malformed.
std::optional<QString> decode(QByteArrayView part) {
    QByteArray bytes;
    bytes.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        const char c = part[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            if (i + 2 >= part.size()) return std::nullopt;
            const int hi = hexValue(part[i + 1]), lo = hexValue(part[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes += char(hi * 16 + lo);
            i += 2;
        } else {
            bytes += c;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) return std::nullopt;
    return text;
}

// Control characters never belong in a name; a comment keeps its line breaks (as \n).
QString cleaned(QString text, bool multiLine) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString out;
    out.reserve(text.size());
    for (QChar c : std::as_const(text)) {
        const bool lineBreak = c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
        if (lineBreak) out += multiLine ? QChar(u'\n') : QChar(u' ');
        else if (c == u'\t') out += QChar(u' ');
        else if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format) out += c;
    }
    return out.trimmed();
}

QChar reasonLetter(const QString& word) {
    static const QMap<QString, QChar> letters{{QStringLiteral("preco"), u'P'},
                                              {QStringLiteral("prazo"), u'Z'},
                                              {QStringLiteral("concorrente"), u'C'},
                                              {QStringLiteral("escopo"), u'E'},
                                              {QStringLiteral("outro"), u'O'}};
    return letters.value(word);
}

}  // namespace

QString DecisionForm::missing() const {
    if (action == Action::Accept) {
        if (values.name.isEmpty()) return QStringLiteral("Informe o seu nome.");
        if (!values.read) return QStringLiteral("Marque \"Li e aceito a proposta\".");
    } else if (action == Action::Decline) {
        if (reason.isNull()) return QStringLiteral("Escolha o motivo da recusa.");
        if (!declineConfirmed) return QStringLiteral("Marque \"Confirmo a recusa da proposta\".");
    }
    return {};
}

DecisionForm parseDecisionForm(const QByteArray& body) {
    DecisionForm form;
    if (body.size() > kMaxFormBody) return form;
    QMap<QString, QString> fields;
    for (const QByteArray& part : body.split('&')) {
        const QByteArrayView pair(part);
        if (pair.isEmpty()) continue;
        const qsizetype eq = pair.indexOf('=');
        const std::optional<QString> name = decode(eq < 0 ? pair : pair.first(eq));
        const std::optional<QString> value = decode(eq < 0 ? QByteArrayView() : pair.sliced(eq + 1));
        if (!name || !value || fields.contains(*name)) return form;
        fields.insert(*name, *value);
    }
    static const QStringList known{QStringLiteral("acao"),  QStringLiteral("conteudo"), QStringLiteral("nome"),
                                   QStringLiteral("cargo"), QStringLiteral("li"),       QStringLiteral("comentario"),
                                   QStringLiteral("motivo"), QStringLiteral("confirma")};
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        if (!known.contains(it.key())) return form;

    const QString action = fields.value(QStringLiteral("acao"));
    const bool accept = action == QLatin1String("aceitar");
    if (!accept && action != QLatin1String("recusar")) return form;
    const QString comment = cleaned(fields.value(QStringLiteral("comentario")), true);
    if (comment.size() > kMaxCommentLength) return form;
    form.shownHash = fields.value(QStringLiteral("conteudo")).trimmed();
    if (accept) {
        form.values.name = cleaned(fields.value(QStringLiteral("nome")), false);
        form.values.role = cleaned(fields.value(QStringLiteral("cargo")), false);
        if (form.values.name.size() > kMaxNameLength || form.values.role.size() > kMaxNameLength) return form;
        const QString read = fields.value(QStringLiteral("li"));
        if (!read.isEmpty() && read != QLatin1String("sim")) return form;
        form.values.read = !read.isEmpty();
        form.values.acceptComment = comment;
    } else {
        form.values.reason = fields.value(QStringLiteral("motivo"));
        form.reason = reasonLetter(form.values.reason);
        if (!form.values.reason.isEmpty() && form.reason.isNull()) return form;
        form.values.declineComment = comment;
        const QString confirmed = fields.value(QStringLiteral("confirma"));
        if (!confirmed.isEmpty() && confirmed != QLatin1String("sim")) return form;
        form.declineConfirmed = !confirmed.isEmpty();
    }
    form.action = accept ? DecisionForm::Action::Accept : DecisionForm::Action::Decline;
    return form;
}

}  // namespace cot::server::client_page
