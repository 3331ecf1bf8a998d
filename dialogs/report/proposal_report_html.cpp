#include "dialogs/report/proposal_report_html.h"

#include <QImageReader>
#include <QRegularExpression>
#include <QTextDocument>

#include "data/proposal_html.h"
#include "data/safe_html.h"
#include "dialogs/report/proposal_report_data.h"
#include "services/messages.h"

namespace cot {

namespace {

// A label in the proposal's language: KEY_ESP for a Spanish proposal when there is one.
QString labelFor(const ProposalDocument& d, const TMessages& labels, const QString& key) {
    const QString local = key + QStringLiteral("_ESP");
    const bool spanish = d.language.compare(QLatin1String("ESP"), Qt::CaseInsensitive) == 0;
    return spanish && labels.contains(local) ? labels.Msg(local) : labels.Msg(key);
}

}  // namespace

QString storedTextBody(const QString& stored) {
    if (stored.trimmed().isEmpty()) return {};
    if (!Qt::mightBeRichText(stored)) {
        QString plain = stored.toHtmlEscaped();
        plain.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
        return QStringLiteral("<p>") + plain + QStringLiteral("</p>");
    }
    // A whole document (what the rich editor stores): only what is inside its body.
    static const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = body.match(stored);
    // What the texts hold is typed, pasted or imported by anyone: only its formatting reaches
    // the renderer, never an image, a link or anything it would fetch.
    return safeHtml(m.hasMatch() ? m.captured(1) : stored);
}

QString proposalReportHtml(const ProposalDocument& data, const QString& title, const TMessages& labels) {
    const ProposalLabel label = [&](const QString& key, const QStringList& args) {
        return TMessages::format(labelFor(data, labels, key), args);
    };
    // An image the renderer cannot read (an SVG without the plugin) is left out, never drawn
    // as a broken picture.
    if (!data.identity.logo.isEmpty() &&
        !QImageReader::supportedMimeTypes().contains(data.identity.logoType.toLatin1())) {
        ProposalDocument withoutLogo = data;
        withoutLogo.identity.logo.clear();
        return printedProposalHtml(withoutLogo, title, label, storedTextBody);
    }
    return printedProposalHtml(data, title, label, storedTextBody);
}

PageFooter proposalPageFooter(const ProposalDocument& data, const TMessages& labels, int page, int pages) {
    return {data.identity.footer,
            TMessages::format(labelFor(data, labels, QStringLiteral("R_PAGINA")), {QString::number(page), QString::number(pages)})};
}

}  // namespace cot
