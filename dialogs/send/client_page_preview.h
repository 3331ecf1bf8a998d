#pragma once
#include "screens/roti_geral.h"

class QTextBrowser;

namespace cot {

// "Página do Cliente": the page the client opens from his mail, as the server renders it
// for the salesperson (GetPaginaCliente), read only: no link is followed and nothing is
// loaded from anywhere. The link itself is the client's alone and never reaches here.
class TfrmPaginaCliente : public TfrmPadraoSimples {
    Q_OBJECT
public:
    TfrmPaginaCliente(const QString& html, const QString& proposal, QWidget* parent = nullptr);

    QTextBrowser* txtPagina;
};

}  // namespace cot
