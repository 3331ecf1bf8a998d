#include "dialogs/send/client_page_preview.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace cot {

namespace {

// Shows the page's own text and nothing from outside it.
class ClosedBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

}  // namespace

TfrmPaginaCliente::TfrmPaginaCliente(const QString& html, const QString& proposal, QWidget* parent)
    : TfrmPadraoSimples({}, QStringLiteral("Página do Cliente - Proposta %1").arg(proposal), parent) {
    setObjectName(QStringLiteral("frmPaginaCliente"));
    auto* layout = new QVBoxLayout(panPrincipal);
    layout->setContentsMargins(0, 0, 0, 0);
    txtPagina = new ClosedBrowser(panPrincipal);
    txtPagina->setObjectName(QStringLiteral("txtPagina"));
    txtPagina->setOpenLinks(false);
    txtPagina->setOpenExternalLinks(false);
    txtPagina->setReadOnly(true);
    txtPagina->setHtml(html);
    layout->addWidget(txtPagina);
    resize(760, 600);
}

}  // namespace cot
