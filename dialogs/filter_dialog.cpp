#include "dialogs/filter_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopeGuard>

#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/filter_reload.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/mask_text.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/edits.h"
#include "ui/lookup.h"

namespace cot {

using namespace Cli_cot05002;

namespace {

TDateEditPlus* dateEdit(const char* name, QWidget* parent) {
    auto* d = new TDateEditPlus(QString::fromLatin1(name), parent);
    d->setStyleSheet(QStringLiteral("background: white;"));
    return d;
}

}  // namespace

TfrmFiltroPropComercial::TfrmFiltroPropComercial(QWidget* parent)
    : TfrmFiltroPadrao(QStringLiteral("COT05002"), QStringLiteral("Filtro de Proposta Comercial"), parent) {
    setObjectName(QStringLiteral("frmFiltroPropComercial"));
    loadMessages(QStringLiteral(":/cot05002/cot05002_messages.txt"));
    createTables();
    createControls();
    wireGroups();
    Atualiza_Filtro(false);
}

TfrmFiltroPropComercial::~TfrmFiltroPropComercial() = default;

void TfrmFiltroPropComercial::createTables() {
    const auto source = [this](const char* name, ClientTable* t) {
        auto* s = new DataSource(QString::fromLatin1(name), this);
        s->setDataSet(t);
        return s;
    };
    const auto text = [](ClientTable& t, const char* name, int size, const QString& label, bool visible) {
        Field& f = t.addField(QString::fromLatin1(name), FieldType::String, size);
        f.displayLabel = label;
        f.visible = visible;
        return &f;
    };
    const auto mark = [](ClientTable& t) {
        Field& f = t.addField(QStringLiteral("IDMARCADO"), FieldType::FixedString, 1);
        f.readOnly = true;
    };
    // The inscription is shown with the mask of the row's person type.
    const auto inscription = [](Field* f, const QString& typeField) {
        f->onGetText = [typeField](Field& field, bool) {
            const QString type = field.dataSet()->fieldByName(typeField).asString();
            return formatMaskText(Consiste::PictPess(type), field.asString());
        };
    };

    cdsCliente = new ClientTable(QStringLiteral("cdsCliente"), this);
    mark(*cdsCliente);
    text(*cdsCliente, "IDCLIENPROSP", 1, {}, false);
    text(*cdsCliente, "CDFILIAL", 4, {}, false);
    text(*cdsCliente, "CDCLIENTE", 21, {}, false);
    inscription(text(*cdsCliente, "NRINSJURCLIE", 20, QStringLiteral("Inscrição"), true), QStringLiteral("IDTPIJURCLIE"));
    text(*cdsCliente, "NMFANTCLIE", 50, QStringLiteral("Nome"), true);
    text(*cdsCliente, "IDTPIJURCLIE", 1, {}, false);
    text(*cdsCliente, "NMRAZSOCCLIE", 50, QStringLiteral("Razão Social"), true);

    cdsProspect = new ClientTable(QStringLiteral("cdsProspect"), this);
    mark(*cdsProspect);
    text(*cdsProspect, "IDCLIENPROSP", 1, {}, false);
    text(*cdsProspect, "CDFILIAL", 4, {}, false);
    text(*cdsProspect, "CDPROSPECT", 21, {}, false);
    inscription(text(*cdsProspect, "NRINSJURPROS", 20, QStringLiteral("Inscrição"), true),
                QStringLiteral("IDTPIJURPROS"));
    text(*cdsProspect, "NMFANTPROS", 50, QStringLiteral("Nome"), true);
    text(*cdsProspect, "IDTPIJURPROS", 1, {}, false);
    text(*cdsProspect, "NMRAZSOCPROS", 50, QStringLiteral("Razão Social"), true);

    cdsContato = new ClientTable(QStringLiteral("cdsContato"), this);
    text(*cdsContato, "IDCLIENPROSP", 1, {}, false);
    mark(*cdsContato);
    text(*cdsContato, "CDFILIAL", 4, {}, false);
    text(*cdsContato, "NRCONTATO", 10, QStringLiteral("Código"), true);
    text(*cdsContato, "DSREFECONT", 60, QStringLiteral("Contato"), true);

    dtsCliente = source("dtsCliente", cdsCliente);
    dtsProspect = source("dtsProspect", cdsProspect);
    dtsContato = source("dtsContato", cdsContato);
}

void TfrmFiltroPropComercial::createControls() {
    auto* grid = new QGridLayout(grbFiltroPadrao);

    const auto period = [&](const char* caption, int row, TDateEditPlus*& from, const char* fromName,
                            TDateEditPlus*& to, const char* toName) {
        auto* box = new TGroupBox({}, grbFiltroPadrao, QString::fromUtf8(caption));
        auto* l = new QHBoxLayout(box);
        from = dateEdit(fromName, box);
        to = dateEdit(toName, box);
        l->addWidget(new QLabel(QStringLiteral("de"), box));
        l->addWidget(from);
        l->addWidget(new QLabel(QStringLiteral("até"), box));
        l->addWidget(to);
        grid->addWidget(box, row, 0);
    };
    period("Data da Proposta", 0, depDataCadIni, "depDataCadIni", depDataCadFin, "depDataCadFin");
    period("Data Aprovação", 1, depDataAprovIni, "depDataAprovIni", depDataAprovFin, "depDataAprovFin");
    period("Validade", 2, depValidaIni, "depValidaIni", depValidaFin, "depValidaFin");

    const auto choice = [&](const char* caption, int row, TRadioButton*& all, const char* allName,
                            TRadioButton*& list, const char* listName, TSpeedButton*& button, const char* buttonName) {
        auto* box = new TGroupBox({}, grbFiltroPadrao, QString::fromUtf8(caption));
        auto* l = new QHBoxLayout(box);
        all = new TRadioButton(QString::fromLatin1(allName), box, QStringLiteral("Todos"));
        list = new TRadioButton(QString::fromLatin1(listName), box, QStringLiteral("Lista"));
        button = new TSpeedButton(QString::fromLatin1(buttonName), box, QStringLiteral("..."));
        button->setToolTip(QStringLiteral("Pesquisar"));
        l->addWidget(all);
        l->addWidget(list);
        l->addWidget(button);
        grid->addWidget(box, row, 1);
    };
    choice("Cliente", 0, rbtTodosCliente, "rbtTodosCliente", rbtListaCliente, "rbtListaCliente", sbtListCliente,
           "sbtListCliente");
    choice("Prospect", 1, rbtTodosProspect, "rbtTodosProspect", rbtListaProspect, "rbtListaProspect",
           sbtListProspect, "sbtListProspect");
    choice("Contato", 2, rbtTodosContato, "rbtTodosContato", rbtListaContato, "rbtListaContato", sbtListContato,
           "sbtListContato");

    const auto boxes = [&](const char* caption, int row, int column, std::initializer_list<std::pair<TCheckBox**, const char*>> items,
                           std::initializer_list<const char*> captions) {
        auto* box = new TGroupBox({}, grbFiltroPadrao, QString::fromUtf8(caption));
        auto* l = new QHBoxLayout(box);
        auto c = captions.begin();
        for (const auto& [slot, name] : items) {
            *slot = new TCheckBox(QString::fromLatin1(name), box, QString::fromUtf8(*c++));
            l->addWidget(*slot);
        }
        grid->addWidget(box, row, column);
    };
    boxes("Status", 3, 0,
          {{&ckbTodas, "ckbTodas"}, {&ckbVencidas, "ckbVencidas"}, {&ckbValidas, "ckbValidas"},
           {&ckbAVencer, "ckbAVencer"}, {&ckbSubstituidas, "ckbSubstituidas"}, {&ckbPerdidas, "ckbPerdidas"}},
          {"Todas", "Vencidas", "Válidas", "A Vencer", "Substituída", "Perdida"});
    boxes("Contrato", 3, 1,
          {{&ckbContTodas, "ckbContTodas"}, {&ckbLuManut, "ckbLuManut"}, {&ckbServico, "ckbServico"},
           {&ckbLocacao, "ckbLocacao"}},
          {"Todas", "Lu/Manutenção", "Serviço", "Locação"});

    auto* reference = new QHBoxLayout;
    edtReferencia = new TEdit(QStringLiteral("edtReferencia"), grbFiltroPadrao);
    reference->addWidget(new QLabel(QStringLiteral("Referência"), grbFiltroPadrao));
    reference->addWidget(edtReferencia, 1);
    cbbDecisaoCliente = new QComboBox(grbFiltroPadrao);
    cbbDecisaoCliente->setObjectName(QStringLiteral("cbbDecisaoCliente"));
    cbbDecisaoCliente->addItem(QStringLiteral("Todas"), QStringLiteral("T"));
    cbbDecisaoCliente->addItem(QStringLiteral("Aceita pelo cliente"), QStringLiteral("A"));
    cbbDecisaoCliente->addItem(QStringLiteral("Recusada pelo cliente"), QStringLiteral("R"));
    cbbDecisaoCliente->addItem(QStringLiteral("Sem decisão"), QStringLiteral("N"));
    reference->addSpacing(12);
    reference->addWidget(new QLabel(QStringLiteral("Decisão do cliente"), grbFiltroPadrao));
    reference->addWidget(cbbDecisaoCliente);
    edtVendedor = new TEdit(QStringLiteral("edtVendedor"), grbFiltroPadrao);
    edtVendedor->setMaxLength(12);
    edtVendedor->setToolTip(QStringLiteral("Código do vendedor: quem solicitou a proposta ou, sem solicitante, "
                                           "quem a incluiu. Vazio: todos."));
    auto* sellerCaption = new QLabel(QStringLiteral("Vendedor"), grbFiltroPadrao);
    sellerCaption->setBuddy(edtVendedor);
    reference->addSpacing(12);
    reference->addWidget(sellerCaption);
    reference->addWidget(edtVendedor);
    grid->addLayout(reference, 4, 0, 1, 2);
    depDataCadIni->setFocus();
}

void TfrmFiltroPropComercial::wireGroups() {
    // "Todos" empties the group's selection and disables its list button; "Lista" enables it.
    const auto group = [this](TRadioButton* all, TRadioButton* list, TSpeedButton* button, QString* selection) {
        all->onClick = [button, selection] {
            selection->clear();
            button->setEnabled(false);
        };
        list->onClick = [button] { button->setEnabled(true); };
    };
    group(rbtTodosCliente, rbtListaCliente, sbtListCliente, &stCliente);
    group(rbtTodosProspect, rbtListaProspect, sbtListProspect, &stProspect);
    group(rbtTodosContato, rbtListaContato, sbtListContato, &stContato);
    sbtListCliente->onClick = [this] { sbtListClienteClick(); };
    sbtListProspect->onClick = [this] { sbtListProspectClick(); };
    sbtListContato->onClick = [this] { sbtListContatoClick(); };

    // "Todas" and the individual boxes exclude each other.
    const auto exclusive = [this](TCheckBox* all, std::initializer_list<TCheckBox*> each) {
        QList<TCheckBox*> items(each);
        all->onClick = [this, all, items] {
            if (updating_ || !all->isChecked()) return;
            updating_ = true;
            for (TCheckBox* b : items) b->setChecked(false);
            updating_ = false;
        };
        for (TCheckBox* b : items)
            b->onClick = [this, all] {
                if (updating_) return;
                updating_ = true;
                all->setChecked(false);
                updating_ = false;
            };
    };
    exclusive(ckbTodas, {ckbVencidas, ckbValidas, ckbAVencer, ckbSubstituidas, ckbPerdidas});
    exclusive(ckbContTodas, {ckbLuManut, ckbServico, ckbLocacao});
}

void TfrmFiltroPropComercial::showFor(ProposalReach& screen) {
    screen_ = &screen;
    const auto done = qScopeGuard([this] { screen_ = nullptr; });
    ShowModal();
}

void TfrmFiltroPropComercial::FormActivate() {
    repaint();
    if (screen_) screen_->setFilterUsed(true);
    Atualiza_Filtro(false);
    if (depDataCadIni->canFocus()) depDataCadIni->setFocus();
}

void TfrmFiltroPropComercial::btfSaveOpcClick() {
    setVariable(QStringLiteral("stCliente"), stCliente);
    setVariable(QStringLiteral("stProspect"), stProspect);
    setVariable(QStringLiteral("stContato"), stContato);
    TfrmFiltroPadrao::btfSaveOpcClick();
}

void TfrmFiltroPropComercial::btfLoadOpcClick() {
    stCliente = variable(QStringLiteral("stCliente"));
    stProspect = variable(QStringLiteral("stProspect"));
    stContato = variable(QStringLiteral("stContato"));
    // The set holds a consistent state of the boxes: no box corrects another meanwhile.
    updating_ = true;
    const auto done = qScopeGuard([this] { updating_ = false; });
    TfrmFiltroPadrao::btfLoadOpcClick();
}

void TfrmFiltroPropComercial::FormClose(CloseAction& action) {
    action = CloseAction::caHide;
    if (finishing_) return;
    // The window's close button: the criteria left on the controls are dropped, as Cancel
    // drops them, so no later reload picks them up.
    Atualiza_Filtro(false);
    reloadList();
    ModalRunner::setModalResult(*this, mrCancel);
}

TFILTRO TfrmFiltroPropComercial::controlsState() const {
    TFILTRO f;
    const auto date = [](const TDateEditPlus* e) {
        const QDate d = e->date();
        return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
    };
    f.DATACADASTRO = {date(depDataCadIni), date(depDataCadFin)};
    f.DATAAPROVACAO = {date(depDataAprovIni), date(depDataAprovFin)};
    f.DATAVALIDADE = {date(depValidaIni), date(depValidaFin)};
    f.DADOSCLIENTE = {rbtListaCliente->isChecked(), stCliente};
    f.DADOSPROSPECT = {rbtListaProspect->isChecked(), stProspect};
    f.DADOSCONTATO = {rbtListaContato->isChecked(), stContato};
    f.DADOSSTATUS = {ckbTodas->isChecked(),    ckbVencidas->isChecked(),     ckbValidas->isChecked(),
                     ckbAVencer->isChecked(), ckbSubstituidas->isChecked(), ckbPerdidas->isChecked()};
    f.CONTRATOSTATUS = {ckbContTodas->isChecked(), ckbLuManut->isChecked(), ckbServico->isChecked(),
                        ckbLocacao->isChecked()};
    f.DADOSREFERENCIA = {edtReferencia->text()};
    f.DADOSDECISAO = {cbbDecisaoCliente->currentData().toString()};
    f.DADOSVENDEDOR = {edtVendedor->text().trimmed()};
    return f;
}

void TfrmFiltroPropComercial::Atualiza_Filtro(bool fromControls) {
    if (fromControls) {
        Filtro = controlsState();
        return;
    }
    const TFILTRO& f = Filtro;
    updating_ = true;
    const auto list = [](bool chosen, TRadioButton* all, TRadioButton* listRadio, TSpeedButton* button) {
        (chosen ? listRadio : all)->setChecked(true);
        button->setEnabled(chosen);
    };
    // The selection texts come back after the radios: "Todos" empties its group's text.
    list(f.DADOSCLIENTE.boTodosCliente, rbtTodosCliente, rbtListaCliente, sbtListCliente);
    list(f.DADOSPROSPECT.boTodosProspect, rbtTodosProspect, rbtListaProspect, sbtListProspect);
    list(f.DADOSCONTATO.boTodosContato, rbtTodosContato, rbtListaContato, sbtListContato);
    stCliente = f.DADOSCLIENTE.stCliente;
    stProspect = f.DADOSPROSPECT.stProspect;
    stContato = f.DADOSCONTATO.stContato;
    const auto date = [](TDateEditPlus* e, const QDateTime& d) { e->setDate(d.isValid() ? d.date() : QDate()); };
    date(depDataCadIni, f.DATACADASTRO.dtInicial);
    date(depDataCadFin, f.DATACADASTRO.dtFinal);
    date(depDataAprovIni, f.DATAAPROVACAO.dtInicial);
    date(depDataAprovFin, f.DATAAPROVACAO.dtFinal);
    date(depValidaIni, f.DATAVALIDADE.dtInicial);
    date(depValidaFin, f.DATAVALIDADE.dtFinal);
    ckbTodas->setChecked(f.DADOSSTATUS.boTodas);
    ckbVencidas->setChecked(f.DADOSSTATUS.boVencidas);
    ckbValidas->setChecked(f.DADOSSTATUS.boValidas);
    ckbAVencer->setChecked(f.DADOSSTATUS.boAVencer);
    ckbSubstituidas->setChecked(f.DADOSSTATUS.boSubstituidas);
    ckbPerdidas->setChecked(f.DADOSSTATUS.boPerdidas);
    cbbDecisaoCliente->setCurrentIndex(qMax(0, cbbDecisaoCliente->findData(f.DADOSDECISAO.stDecisao)));
    ckbContTodas->setChecked(f.CONTRATOSTATUS.boTodasCont);
    ckbLuManut->setChecked(f.CONTRATOSTATUS.boLuManut);
    ckbServico->setChecked(f.CONTRATOSTATUS.boServico);
    ckbLocacao->setChecked(f.CONTRATOSTATUS.boLocacao);
    edtReferencia->setText(f.DADOSREFERENCIA.stReferencia);
    edtVendedor->setText(f.DADOSVENDEDOR.stVendedor);
    updating_ = false;
}

}  // namespace cot
