// Pages, panels and controls of the proposal screen: header panel, product lines.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

namespace layout {

QVBoxLayout* column(QWidget* w, int margin) {
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    return l;
}

QHBoxLayout* row(QWidget* w, int margin) {
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(margin, margin, margin, margin);
    return l;
}

TDBGrid* grid(const char* name, QWidget* parent, DataSource* source, bool readOnly) {
    auto* g = new TDBGrid(QString::fromLatin1(name), parent);
    g->setDataSource(source);
    g->setReadOnly(readOnly);
    if (parent->layout()) parent->layout()->addWidget(g);
    return g;
}

TDBEdit* edit(const char* name, QWidget* parent, DataSource* source, const char* field) {
    auto* e = new TDBEdit(QString::fromLatin1(name), parent);
    e->setDataSource(source);
    e->setDataField(QString::fromLatin1(field));
    return e;
}

void labelled(QGridLayout* g, int r, int c, const QString& caption, QWidget* w) {
    g->addWidget(new QLabel(caption, w->parentWidget()), r, c);
    g->addWidget(w, r, c + 1);
}

}  // namespace layout

using namespace layout;

void TfrmPropostaComercial::createLayout() {
    // Form page: header panel above the data page control.
    auto* form = column(tshProposta);
    panProp = new TPanel(QStringLiteral("panProp"), tshProposta);
    auto* headerLayout = column(panProp);
    grbContrato = new TGroupBox(QStringLiteral("grbContrato"), panProp, QStringLiteral("Contrato"));
    auto* contract = row(grbContrato, 4);
    rbtLuManut = new TRadioButton(QStringLiteral("rbtLuManut"), grbContrato, QStringLiteral("LU/Manutenção"));
    rbtLocacao = new TRadioButton(QStringLiteral("rbtLocacao"), grbContrato, QStringLiteral("Locação"));
    rbtServico = new TRadioButton(QStringLiteral("rbtServico"), grbContrato, QStringLiteral("Serviço"));
    contract->addWidget(rbtLuManut);
    contract->addWidget(rbtLocacao);
    contract->addWidget(rbtServico);
    dbeVersao = edit("dbeVersao", panProp, dtsProposta, "NRVERPROPFAS");
    dbeVersao->setColor(ControlColor::InfoBk);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(new QLabel(QStringLiteral("Versão"), panProp));
    versionRow->addWidget(dbeVersao);
    versionRow->addWidget(grbContrato, 1);
    headerLayout->addLayout(versionRow);
    form->addWidget(panProp);

    pgcDados = new TPageControl(QStringLiteral("pgcDados"), tshProposta);
    form->addWidget(pgcDados, 1);
    tshDados = new TTabSheet(QStringLiteral("tshDados"), pgcDados, QStringLiteral("Linha de Produto"));
    tshServico = new TTabSheet(QStringLiteral("tshServico"), pgcDados, QStringLiteral("Serviço"));
    createProductLinePages();
    createServicePages();

    tshSimulaLinp = new TTabSheet(QStringLiteral("tshSimulaLinp"), pgcPadrao,
                                  QStringLiteral("Simulação de linha de produto"));
    tshSimulaLinp->setTabVisible(false);  // reached through the menu
    tshTexto = new TTabSheet(QStringLiteral("tshTexto"), pgcPadrao, QStringLiteral("Texto"));
    tshObs = new TTabSheet(QStringLiteral("tshObs"), pgcPadrao, QStringLiteral("Observação"));
    createOtherPages();
}

void TfrmPropostaComercial::createProductLinePages() {
    column(tshDados, 0);
    pgcDadosCont = new TPageControl(QStringLiteral("pgcDadosCont"), tshDados);
    tshDados->layout()->addWidget(pgcDadosCont);
    tshDadosCont = new TTabSheet(QStringLiteral("tshDadosCont"), pgcDadosCont, QStringLiteral("Folha de Dados (Grade)"));
    tshFormulario = new TTabSheet(QStringLiteral("tshFormulario"), pgcDadosCont, QStringLiteral("Formulário"));

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
    auto* sideLayout = column(side, 0);
    page->addWidget(side, 1);
    grbSistemas = new TGroupBox(QStringLiteral("grbSistemas"), side, QStringLiteral("Sistemas"));
    column(grbSistemas, 2);
    dbgSistemas = grid("dbgSistemas", grbSistemas, dtsSistLinhaProd, true);
    dbgSistemas->addColumn(QStringLiteral("SGSISTEMA"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    dbgSistemas->addColumn(QStringLiteral("NMSISTEMA"));
    dbgSistemas->addColumn(QStringLiteral("IDTECNOSIST"));
    sideLayout->addWidget(grbSistemas, 1);

    Panel2 = new TPanel(QStringLiteral("Panel2"), side);
    column(Panel2, 0);
    sideLayout->addWidget(Panel2, 1);
    grbVencimentos = new TGroupBox(QStringLiteral("grbVencimentos"), Panel2, QStringLiteral("Vencimentos"));
    Panel2->layout()->addWidget(grbVencimentos);
    auto* v = column(grbVencimentos, 2);
    dbgVencimento = grid("dbgVencimento", grbVencimentos, dtsVenc_Valor, false);
    dbgVencimento->addColumn(QStringLiteral("DTVELUSOPEDP"));
    dbgVencimento->addColumn(QStringLiteral("VRVELUSOPEDP"))->alignment = Qt::AlignRight;
    auto* gen = new QGridLayout;
    nedParcelas = new TNumberEdit(QStringLiteral("nedParcelas"), grbVencimentos);
    nedParcelas->setDecimals(0);
    nedVrTotal = new TNumberEdit(QStringLiteral("nedVrTotal"), grbVencimentos);
    nedVrTotal->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotal->setReadOnly(true);
    depDataVenc = new TDateEditPlus(QStringLiteral("depDataVenc"), grbVencimentos);
    sbtGerarParcelas = new TSpeedButton(QStringLiteral("sbtGerarParcelas"), grbVencimentos, QStringLiteral("Gerar"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcelas);
    labelled(gen, 0, 2, QStringLiteral("Valor Total"), nedVrTotal);
    labelled(gen, 1, 0, QStringLiteral("A partir de"), depDataVenc);
    gen->addWidget(sbtGerarParcelas, 1, 3);
    v->addLayout(gen);
    for (QWidget* w : {static_cast<QWidget*>(nedParcelas), static_cast<QWidget*>(nedVrTotal),
                       static_cast<QWidget*>(depDataVenc), static_cast<QWidget*>(sbtGerarParcelas)})
        w->setEnabled(false);
}

}  // namespace cot
