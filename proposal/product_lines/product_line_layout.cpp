// Widgets of the product-line pages: the grid page and the line form.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "proposal/product_lines/product_line_area.h"
#include "proposal/area/area_layout.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

using namespace layout;

void ProductLineArea::buildGridPage() {
    TTabSheet* tshDadosCont = host_.pages().tshDadosCont;
    // Grid page.
    column(tshDadosCont, 0);
    Panel4 = new TPanel(QStringLiteral("Panel4"), tshDadosCont);
    tshDadosCont->layout()->addWidget(Panel4);
    column(Panel4, 0);
    dbgLinProd = grid("dbgLinProd", Panel4, dtsLinProd, true);
    dbgLinProd->addColumn(QStringLiteral("NMLINPPROP"));
    dbgLinProd->addColumn(QStringLiteral("IDTIPLINPP"));
    dbgLinProd->addColumn(QStringLiteral("NRUSUALINPP"))->alignment = Qt::AlignRight;
    dbgLinProd->addColumn(QStringLiteral("QTMINIMAFATPROP"))->alignment = Qt::AlignRight;
    dbgLinProd->addColumn(QStringLiteral("IDAMBLINPP"));
    dbgLinProd->addColumn(QStringLiteral("MENSCALUSLINPP"), QStringLiteral("Carência Vr. Mensal"));

}

void ProductLineArea::buildForm() {
    TTabSheet* tshFormulario = host_.pages().tshFormulario;
    // Form page: identity and prices, systems, installments.
    auto* page = row(tshFormulario);
    panLinProd = new TPanel(QStringLiteral("panLinProd"), tshFormulario);
    page->addWidget(panLinProd, 2);
    auto* g = new QGridLayout(panLinProd);
    dbeCdLinProd = edit("dbeCdLinProd", panLinProd, dtsLinProd, "CDLINPPROPINFOR");
    dbeNmLinProd = edit("dbeNmLinProd", panLinProd, dtsLinProd, "NMLINPPROP");
    dbcPlataforma = new TDBComboBox(QStringLiteral("dbcPlataforma"), panLinProd);
    dbcPlataforma->setDataSource(dtsLinProd);
    dbcPlataforma->setDataField(QStringLiteral("IDAMBLINPP"));
    dbcPlataforma->setItems({QStringLiteral("WEB"), QStringLiteral("WIN"), QStringLiteral("DOS")});
    depCarenLu = new TDBDateEditPlus(QStringLiteral("depCarenLu"), panLinProd);
    depCarenLu->setDataSource(dtsLinProd);
    depCarenLu->setDataField(QStringLiteral("DTCALUSLINPPAUX"));
    dbeNrUsuLic = edit("dbeNrUsuLic", panLinProd, dtsLinProd, "NRUSUALINPP");
    dbeNrUsuLic->setMaxLength(9);
    dbeQtdeLicenca = edit("dbeQtdeLicenca", panLinProd, dtsLinProd, "QTMINIMAFATPROP");
    dbeQtdeLicenca->setMaxLength(9);
    labelled(g, 0, 0, QStringLiteral("Código"), dbeCdLinProd);
    labelled(g, 0, 2, QStringLiteral("Linha de Produto"), dbeNmLinProd);
    labelled(g, 1, 0, QStringLiteral("Plataforma"), dbcPlataforma);
    labelled(g, 1, 2, QStringLiteral("Carência"), depCarenLu);
    labelled(g, 2, 0, QStringLiteral("Usuários"), dbeNrUsuLic);
    labelled(g, 2, 2, QStringLiteral("Qtde.Licenças"), dbeQtdeLicenca);

    const auto pair = [&](const char* box, const QString& caption, TRadioButton*& a, const char* an, const QString& at,
                          TRadioButton*& b, const char* bn, const QString& bt) {
        auto* group = new TGroupBox(QString::fromLatin1(box), panLinProd, caption);
        auto* l = row(group, 4);
        a = new TRadioButton(QString::fromLatin1(an), group, at);
        b = new TRadioButton(QString::fromLatin1(bn), group, bt);
        a->setChecked(true);
        l->addWidget(a);
        l->addWidget(b);
        return group;
    };
    grbTipoLinha = pair("grbTipoLinha", QStringLiteral("Tipo"), rbtTpProduto, "rbtTpProduto", QStringLiteral("Produto"),
                        rbtTpPtoAcesso, "rbtTpPtoAcesso", QStringLiteral("Ponto Acesso"));
    grbModo = pair("grbModo", QStringLiteral("Modo de Processamento"), rbtMatrizModo, "rbtMatrizModo",
                   QStringLiteral("Matriz"), rbtFilialMode, "rbtFilialMode", QStringLiteral("Filial"));
    grbLocal = pair("grbLocal", QStringLiteral("Local de Processamento"), rbtMatrizLocal, "rbtMatrizLocal",
                    QStringLiteral("Matriz"), rbtFilialLocal, "rbtFilialLocal", QStringLiteral("Filial"));
    g->addWidget(grbTipoLinha, 3, 0, 1, 2);
    g->addWidget(grbModo, 3, 2, 1, 2);
    g->addWidget(grbLocal, 4, 0, 1, 2);

    grbPrecos = new TGroupBox(QStringLiteral("grbPrecos"), panLinProd, QStringLiteral("Valores"));
    auto* p = new QGridLayout(grbPrecos);
    dbeVrUnitLic = edit("dbeVrUnitLic", grbPrecos, dtsLinProd, "VRLICENCUSOPROP");
    dbeDescLic = edit("dbeDescLic", grbPrecos, dtsLinProd, "VRDESLICUSOPROP");
    nedVrComDesconto = new TNumberEdit(QStringLiteral("nedVrComDesconto"), grbPrecos);
    dbeVrUnitManutLoc = edit("dbeVrUnitManutLoc", grbPrecos, dtsLinProd, "VRMENSALIDAPROP");
    dbeDescManutLoc = edit("dbeDescManutLoc", grbPrecos, dtsLinProd, "VRDESMENSALPROP");
    nedVrComDescontoManut = new TNumberEdit(QStringLiteral("nedVrComDescontoManut"), grbPrecos);
    // Discounted values read like the prices beside them, whatever computed or typed them.
    for (TNumberEdit* e : {nedVrComDesconto, nedVrComDescontoManut}) e->setDisplayFormat(QStringLiteral("#,##0.00"));
    labelled(p, 0, 0, QStringLiteral("Licença de Uso"), dbeVrUnitLic);
    labelled(p, 0, 2, QStringLiteral("Desconto"), dbeDescLic);
    labelled(p, 0, 4, QStringLiteral("Com Desconto"), nedVrComDesconto);
    labelled(p, 1, 0, QStringLiteral("Manutenção/Locação"), dbeVrUnitManutLoc);
    labelled(p, 1, 2, QStringLiteral("Desconto"), dbeDescManutLoc);
    labelled(p, 1, 4, QStringLiteral("Com Desconto"), nedVrComDescontoManut);
    g->addWidget(grbPrecos, 5, 0, 1, 4);
    g->setRowStretch(6, 1);

    // Systems and installments beside the form.
    auto* side = new QWidget(tshFormulario);
    side_ = column(side, 0);
    page->addWidget(side, 1);
}

}  // namespace cot
