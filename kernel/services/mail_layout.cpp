#include "services/mail_layout.h"

#include "data/format_br.h"

namespace cot::mail {

namespace {

QString esc(const QString& s) { return s.toHtmlEscaped(); }

// Escaped, with the line breaks kept as <br>.
QString escLines(const QString& s) {
    QString t = s;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return esc(t).replace(u'\n', QStringLiteral("<br>\n"));
}

const QString kCell = QStringLiteral("padding:2px 10px 2px 0");

}  // namespace

QString money(long double value) { return QStringLiteral("R$ ") + formatMoney(value); }

MailBody& MailBody::paragraph(const QString& text) {
    text_ += text + QStringLiteral("\n\n");
    html_ += QStringLiteral("<p>%1</p>\n").arg(escLines(text));
    return *this;
}

MailBody& MailBody::facts(const QList<std::pair<QString, QString>>& pairs) {
    QString rows;
    for (const auto& [label, value] : pairs) {
        if (value.trimmed().isEmpty()) continue;
        text_ += QStringLiteral("%1: %2\n").arg(label, value.simplified());
        rows += QStringLiteral("<tr><td style=\"%1;color:#555\">%2</td><td style=\"%1\">%3</td></tr>\n")
                    .arg(kCell, esc(label), esc(value.simplified()));
    }
    if (rows.isEmpty()) return *this;
    text_ += u'\n';
    html_ += QStringLiteral("<table cellspacing=\"0\">\n%1</table>\n").arg(rows);
    return *this;
}

MailBody& MailBody::table(const MailTable& t) {
    if (t.rows.isEmpty()) return *this;
    const auto cell = [&](const QString& tag, int column, const QString& value) {
        const QString align = t.rightAligned.contains(column) ? QStringLiteral(";text-align:right") : QString();
        return QStringLiteral("<%1 style=\"%2%3\">%4</%1>").arg(tag, kCell, align, esc(value.simplified()));
    };
    QString html = QStringLiteral("<table cellspacing=\"0\" style=\"border-collapse:collapse\">\n<tr>");
    for (int c = 0; c < t.header.size(); ++c) html += cell(QStringLiteral("th"), c, t.header.at(c));
    html += QStringLiteral("</tr>\n");
    for (const QStringList& row : t.rows) {
        QStringList shown;
        html += QStringLiteral("<tr>");
        for (int c = 0; c < row.size(); ++c) {
            html += cell(QStringLiteral("td"), c, row.at(c));
            // The text part names each cell but the first, which names the row.
            if (!row.at(c).trimmed().isEmpty())
                shown << (c > 0 && c < t.header.size() && !t.header.at(c).isEmpty()
                              ? QStringLiteral("%1: %2").arg(t.header.at(c), row.at(c).simplified())
                              : row.at(c).simplified());
        }
        html += QStringLiteral("</tr>\n");
        text_ += QStringLiteral("- %1\n").arg(shown.join(QStringLiteral(" · ")));
    }
    text_ += u'\n';
    html_ += html + QStringLiteral("</table>\n");
    return *this;
}

MailBody& MailBody::link(const QString& text, const QString& url) {
    text_ += QStringLiteral("%1\n%2\n\n").arg(text, url);
    html_ += QStringLiteral("<p>%1<br>\n<a href=\"%2\">%2</a></p>\n").arg(escLines(text), esc(url));
    return *this;
}

MailBody& MailBody::quote(const QString& label, const QString& typed) {
    if (typed.trimmed().isEmpty()) return *this;
    QStringList lines = typed.trimmed().split(u'\n');
    for (QString& line : lines) line = QStringLiteral("> ") + line.trimmed();
    text_ += label + QStringLiteral(":\n") + lines.join(u'\n') + QStringLiteral("\n\n");
    html_ += QStringLiteral("<p>%1:</p>\n<blockquote style=\"border-left:3px solid #ccc;margin:0 0 1em 0;"
                            "padding-left:10px\">%2</blockquote>\n")
                 .arg(esc(label), escLines(typed.trimmed()));
    return *this;
}

MailMessage composeMail(const QString& subject, const MailBody& body, const MailSignature& s, Audience audience) {
    QStringList contact;
    for (const QString& part : {s.sellerEmail, s.sellerPhone})
        if (!part.trimmed().isEmpty()) contact << part.trimmed();
    const QString name = s.sellerName.simplified();

    QString closingText, closingHtml;
    if (audience == Audience::Client) {
        QStringList lines{QStringLiteral("Atenciosamente,")};
        if (!name.isEmpty()) lines << name;
        if (!contact.isEmpty()) lines << contact.join(QStringLiteral(" · "));
        closingText = lines.join(u'\n');
        closingHtml = escLines(closingText);
    } else if (!name.isEmpty() || !contact.isEmpty()) {
        QStringList who;
        if (!name.isEmpty()) who << name;
        who << contact;
        closingText = QStringLiteral("Vendedor: %1").arg(who.join(QStringLiteral(" · ")));
        closingHtml = esc(closingText);
    }

    MailMessage m;
    m.subject = subject.simplified();
    m.replyTo = s.sellerEmail.trimmed();
    m.textPart = body.text();
    if (!closingText.isEmpty()) m.textPart += closingText + u'\n';
    if (!s.footer.trimmed().isEmpty()) m.textPart += QStringLiteral("\n-- \n%1\n").arg(s.footer.simplified());

    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-BR\"><head><meta charset=\"utf-8\"></head>"
                                  "<body style=\"font-family:Arial,sans-serif;font-size:14px\">\n");
    html += body.html();
    if (!closingHtml.isEmpty()) html += QStringLiteral("<p>%1</p>\n").arg(closingHtml);
    if (!s.footer.trimmed().isEmpty())
        html += QStringLiteral("<hr>\n<p style=\"color:#777;font-size:12px\">%1</p>\n").arg(esc(s.footer.simplified()));
    m.htmlPart = html + QStringLiteral("</body></html>\n");
    return m;
}

}  // namespace cot::mail
