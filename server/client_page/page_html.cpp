#include "server/client_page/page_html.h"

#include <QStringList>

#include "data/proposal_html.h"
#include "server/client_page/page_text.h"

namespace cot::server::client_page {

QByteArray styleSheet() {
    return QByteArrayLiteral(R"CSS(*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%}
body{margin:0;background:#f3f5f8;color:#1d2733;font:16px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif}
main{max-width:44rem;margin:0 auto;padding:1rem;background:#fff;min-height:100vh}
h1{font-size:1.5rem;margin:.5rem 0 1rem}
h2{font-size:1.2rem;margin:1.5rem 0 .5rem;border-bottom:1px solid #d5dce4;padding-bottom:.25rem}
h3{font-size:1.05rem;margin:.75rem 0 .25rem}
dl.cabecalho{display:grid;grid-template-columns:max-content 1fr;gap:.25rem 1rem;margin:0}
dt{font-weight:600}dd{margin:0;overflow-wrap:anywhere}
table{width:100%;border-collapse:collapse;margin:.5rem 0}
th,td{text-align:left;padding:.4rem .25rem;border-bottom:1px solid #e6eaef;vertical-align:top}
.n{text-align:right;white-space:nowrap}
caption{text-align:left;font-weight:600;padding:.25rem 0}
.item{border:1px solid #e6eaef;border-radius:.5rem;padding:.5rem .75rem;margin:.75rem 0}
.texto{white-space:normal;overflow-wrap:anywhere}
#total-geral{font-size:1.2rem}
.nota,#juros{color:#4a5866;font-size:.95rem}
#mensagem{font-size:1.1rem;padding:1rem;border-radius:.5rem;background:#eef3f8}
#mensagem.erro{font-size:1.05rem;padding:.75rem 1rem;border-radius:.5rem;background:#fdecea;color:#8a1c12}
a#baixar-pdf{display:inline-block;margin:1rem 0;padding:.8rem 1.2rem;border:1px solid #1f5fa8;border-radius:.5rem;
  color:#1f5fa8;text-decoration:none;font-weight:600}
form{margin:1.5rem 0;padding:1rem;border:1px solid #d5dce4;border-radius:.5rem}
label{display:block;margin:.75rem 0 .25rem;font-weight:600}
label.marca{display:flex;gap:.6rem;align-items:center;font-weight:600}
input[type=text],select,textarea{width:100%;font:inherit;padding:.7rem;border:1px solid #a9b4c0;border-radius:.4rem}
input[type=checkbox]{width:1.6rem;height:1.6rem}
textarea{min-height:6rem}
button{display:block;width:100%;margin-top:1rem;padding:1rem;font:inherit;font-weight:700;border:0;border-radius:.5rem;
  color:#fff;background:#1f7a3a;min-height:3rem}
#btn-recusar{background:#a8321f}
#timbre{display:flex;gap:1rem;align-items:center;border-bottom:2px solid #1f5fa8;padding:.25rem 0 .75rem;margin-bottom:1rem}
#timbre img{width:4rem;height:4rem;object-fit:contain;flex:none}
#empresa{font-size:1.2rem;font-weight:700}
#timbre .dados,#rodape{color:#4a5866;font-size:.9rem}
#vendedor{margin:1.5rem 0;padding:1rem;border:1px solid #d5dce4;border-radius:.5rem}
#vendedor h2{margin-top:0;border:0}
#vendedor a{color:#1f5fa8}
#rodape{margin-top:2rem;padding-top:.75rem;border-top:1px solid #d5dce4;text-align:center;overflow-wrap:anywhere}
)CSS");
}

namespace {

QString frame(const QString& title, const QString& style, const QString& body) {
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                          "<meta name=\"robots\" content=\"noindex, nofollow\">\n"
                          "<title>%1</title>\n%2</head>\n"
                          "<body>\n<main>\n%3</main>\n</body>\n</html>\n")
        .arg(esc(title), style, body);
}

}  // namespace

QString pageFrame(const QString& title, const QString& body) {
    return frame(title, QStringLiteral("<link rel=\"stylesheet\" href=\"/cliente/estilo.css\">\n"), body);
}

namespace {

bool hasIdentity(const OfferIdentity& who) { return !who.branch.company.isEmpty(); }

QString letterhead(const OfferIdentity& who) {
    if (!hasIdentity(who)) return {};
    const BranchIdentity& b = who.branch;
    QString out = QStringLiteral("<header id=\"timbre\">\n");
    if (b.hasLogo())
        out += QStringLiteral("<img id=\"logo\" alt=\"\" src=\"data:%1;base64,%2\">\n")
                   .arg(esc(b.logoType), QString::fromLatin1(b.logo.toBase64()));
    QStringList lines;
    for (const QString& line : letterheadLines(b.cnpj, b.address, b.phone, b.site)) lines << esc(line);
    out += QStringLiteral("<div><div id=\"empresa\">%1</div>\n<div class=\"dados\">%2</div></div>\n</header>\n")
               .arg(esc(b.company), lines.join(QStringLiteral("<br>")));
    return out;
}

// The salesperson's contact, then the company's line.
QString closing(const OfferIdentity& who) {
    if (!hasIdentity(who)) return {};
    QString out;
    const SellerContact& s = who.seller;
    const QString name = s.name.isEmpty() ? s.code : s.name;
    if (!name.isEmpty()) {
        out += QStringLiteral("<section id=\"vendedor\">\n<h2>Fale com o vendedor</h2>\n<p><strong>%1</strong>").arg(esc(name));
        if (!s.email.isEmpty())
            out += QStringLiteral("<br>\n<a href=\"mailto:%1\">%1</a>").arg(esc(s.email));
        if (!s.phone.isEmpty()) {
            QString dial;
            for (const QChar c : s.phone)
                if (c.isDigit() || (c == u'+' && dial.isEmpty())) dial += c;
            out += dial.isEmpty() ? QStringLiteral("<br>\n%1").arg(esc(s.phone))
                                  : QStringLiteral("<br>\n<a href=\"tel:%1\">%2</a>").arg(dial, esc(s.phone));
        }
        out += QStringLiteral("</p>\n</section>\n");
    }
    out += QStringLiteral("<footer id=\"rodape\">%1</footer>\n").arg(esc(who.branch.footerLine()));
    return out;
}

}  // namespace

QString messagePage(const QString& message) {
    return pageFrame(QStringLiteral("Proposta"), QStringLiteral("<p id=\"mensagem\">%1</p>\n").arg(esc(message)));
}

QString previewPage(const QString& contentHtml, const QString& note, const OfferIdentity& who) {
    return frame(QStringLiteral("Proposta"),
                 QStringLiteral("<style>\n%1</style>\n").arg(QString::fromUtf8(styleSheet())),
                 QStringLiteral("<p id=\"mensagem\">%1</p>\n").arg(esc(note)) + letterhead(who) + contentHtml +
                     closing(who));
}

QString signedPage(const QString& body, const OfferIdentity& who) {
    return pageFrame(QStringLiteral("Proposta"), letterhead(who) + body + closing(who));
}

}  // namespace cot::server::client_page
