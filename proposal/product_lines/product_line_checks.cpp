// The checks of a product line, in the order a post runs them.
#include <QStringList>

#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/systems/systems_dialog.h"
#include "proposal/area/child_table_save.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "services/money.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

void focus(QWidget* control) {
    if (auto* c = dynamic_cast<Control*>(control); c && c->canFocus()) c->setFocus();
}

// Focuses the control and ends the operation with the catalogue text of `key`.
[[noreturn]] void refuse(const TMessages& catalogue, QWidget* control, const QString& key) {
    focus(control);
    Consiste::MensErro(catalogue.Msg(key));
    throw Abort();
}

long double number(const Field& f) { return static_cast<long double>(f.asFloat()); }

}  // namespace

void ProductLineArea::cdsLinProdBeforePost() {
    const TMessages& m = host_.messages();
    ClientTable& t = *cdsLinProd;
    const DataSetState state = t.state();
    // The grace month is kept as its last day.
    const QDateTime grace = f("DTCALUSLINPPAUX").asDateTime();
    f("DTCALUSLINPP").setAsDateTime(grace.isValid() ? Consiste::UltimoDiaMes(QDateTime(grace.date(), QTime()))
                                                    : QDateTime());
    // Code, name, platform and kind are required.
    Vd_CdLinProd(true);
    if (f("NMLINPPROP").asString().trimmed().isEmpty()) refuse(m, dbeNmLinProd, QStringLiteral("LINPROD"));
    if (f("IDAMBLINPP").asString().trimmed().isEmpty()) refuse(m, dbcPlataforma, QStringLiteral("IDAMB"));
    if (f("IDTIPLINPP").asString().trimmed().isEmpty()) refuse(m, grbTipoLinha, QStringLiteral("TPLINPROD"));
    // A grace month typed that is not a date.
    try {
        readTypedDate(depCarenLu->text());
    } catch (const UserError&) {
        focus(depCarenLu);
        Consiste::MensErro(u'\'' + depCarenLu->text() + u'\'' + m.Msg(QStringLiteral("DT_INV")));
    }
    // The grace month may be the proposal's own month, not an earlier one.
    if (f("DTCALUSLINPP").isNull()) refuse(m, depCarenLu, QStringLiteral("Data_Carencia"));
    const QDateTime proposalDate = host_.proposal()["DTPROPOSFAS"].asDateTime();
    if (proposalDate.isValid() && proposalDate > f("DTCALUSLINPP").asDateTime())
        refuse(m, depCarenLu, QStringLiteral("DATACAL_MEN"));
    // Users, by contract and kind.
    const bool accessPoint = rbtTpPtoAcesso->isChecked();
    if ((licence() && accessPoint) || (rental() && !accessPoint)) {
        if (f("NRUSUALINPP").isNull()) f("NRUSUALINPP").setAsFloat(0);
    } else {
        Vd_NrUsuario(true);
    }
    // Quantity and prices.
    Vd_QtMin(true);
    Vd_VrLicUso(true);
    Vd_VrManut(true);
    // The line carries its proposal's keys.
    f("NRPROPOSFAS").setAsString(host_.key().nr);
    f("NRVERPROPFAS").setAsString(host_.key().ver);
    // Head-office processing is always processed at the head office.
    const bool branchMode = !rbtMatrizModo->isChecked();
    f("IDMPROCLINPP").setAsString(branchMode ? QStringLiteral("F") : QStringLiteral("M"));
    f("IDLPROCLINPP").setAsString(branchMode && !rbtMatrizLocal->isChecked() ? QStringLiteral("F")
                                                                            : QStringLiteral("M"));
    // A discounted value typed and not yet taken over.
    const auto settle = [this](const char* unit, const char* discount, TNumberEdit* discounted, TDBEdit* discountEdit,
                               TDBEdit* unitEdit, bool monthly) {
        const long double shown = discounted->isEmpty() ? 0 : static_cast<long double>(discounted->value());
        if (sameMoney(number(f(unit)) - number(f(discount)), shown)) return;
        if (host_.hasFocus(discountEdit)) monthly ? Vd_VrManut(false) : Vd_VrLicUso(false);
        else if (host_.hasFocus(discounted)) nedVrComDescontoExit(monthly);
        else Vd_Desconto(unitEdit, discountEdit, discounted);
    };
    settle("VRLICENCUSOPROP", "VRDESLICUSOPROP", nedVrComDesconto, dbeDescLic, dbeVrUnitLic, false);
    settle("VRMENSALIDAPROP", "VRDESMENSALPROP", nedVrComDescontoManut, dbeDescManutLoc, dbeVrUnitManutLoc, true);
    // A changed licence total asks for the schedule to be re-split. An unchanged one
    // asks nothing, whatever the old total was (a line priced from 0 is re-split too).
    bool resplit = false;
    if (state == DataSetState::Edit) {
        for (const char* name : {"QTMINIMAFATPROP", "VRLICENCUSOPROP", "VRDESLICUSOPROP"})
            if (!sameMoney(f(name).asFloat(), f(name).oldValue().toDouble()) ||
                f(name).isNull() != f(name).oldValue().isNull())
                resplit = true;
    }
    // A discount left empty or at zero is stored as zero.
    for (auto [edit, field] : {std::pair{dbeDescLic, "VRDESLICUSOPROP"}, std::pair{dbeDescManutLoc, "VRDESMENSALPROP"}})
        if (edit->text().trimmed().isEmpty() || edit->text() == QLatin1String("0,00")) f(field).setAsFloat(0);
    Packet chosen;
    if (state == DataSetState::Insert) {
        // A new line gets its systems in the dialog before it is saved.
        boCancela = false;
        if ((licence() || rental()) && accessPoint) Vd_QtPtoAcesso(true);
        Cli_cot05005::CriaSistemasLinha(dialogs_, newLine_);
        if (boCancela) refuse(m, dbeNmLinProd, QStringLiteral("SIST_CANCEL"));
        chosen = cdsSistema->data();
        cdsSistema->emptyDataSet();
    } else {
        // A changed line needs no first installment; its access points and its settings are checked on the server.
        if ((licence() || rental()) && accessPoint) Vd_QtPtoAcesso(false);
        Vd_LinhaProduto();
    }
    // A new line gets its first installment.
    FollowUp next{f("CDLINPPROP").asString(), state == DataSetState::Insert, resplit, chosen};
    // A new line the server refused is still owed its first installment and the systems of
    // its first post: correcting it and posting again must not drop them.
    if (const FollowUp* owed = owedFollowUp(); owed && owed->line == next.line) {
        next.firstInstallment = next.firstInstallment || owed->firstInstallment;
        if (next.systems.rows.isEmpty()) next.systems = owed->systems;
    }
    followUp_ = next;
}

const ProductLineArea::FollowUp* ProductLineArea::owedFollowUp() const {
    return followUp_ && save_->pending() ? &*followUp_ : nullptr;
}

void ProductLineArea::Vd_CdLinProd(bool report) {
    const TMessages& m = host_.messages();
    ClientTable& t = *cdsLinProd;
    const QString code = f("CDLINPPROPINFOR").asString().trimmed();
    // Without a code there is nothing to check; a post asks for one.
    if (code.isEmpty()) {
        if (report) refuse(m, dbeCdLinProd, QStringLiteral("CDLINP_INF"));
        return;
    }
    const bool changed = t.state() == DataSetState::Insert ||
                         (t.state() == DataSetState::Edit && code != f("CDLINPPROPINFOR").oldValue().toString().trimmed());
    // Another line of this proposal with the code.
    const Packet stored = host_.net().getPacket(QStringLiteral("GetLinProd"), {host_.key().nr, host_.key().ver});
    const int codeColumn = stored.indexOf(QStringLiteral("CDLINPPROPINFOR"));
    const int keyColumn = stored.indexOf(QStringLiteral("CDLINPPROP"));
    const QString self = f("CDLINPPROP").asString();
    for (const QVariantList& row : stored.rows)
        if (changed && row.value(codeColumn).toString().trimmed() == code && row.value(keyColumn).toString() != self)
            refuse(m, dbeCdLinProd, QStringLiteral("LINPRODCADPROP"));
    // A line the client already has under contract.
    if (changed) {
        cdsValidaLinhaProd->setData(host_.net().getPacket(QStringLiteral("ValidaLinhaProd"),
                                                      {code, host_.proposal()["CDCLIENTE"].asString()}));
        if (!cdsValidaLinhaProd->isEmpty()) refuse(m, dbeCdLinProd, QStringLiteral("LINPRODJCAD"));
    }
}

void ProductLineArea::Vd_NrUsuario(bool report) {
    const QString text = dbeNrUsuLic->text().trimmed();
    if (text.isEmpty()) {
        if (report) refuse(host_.messages(), dbeNrUsuLic, QStringLiteral("INF_NRUSU"));
        return;
    }
    if (dbeNrUsuLic->isEnabled() && f("NRUSUALINPP").asFloat() < 0)
        refuse(host_.messages(), dbeNrUsuLic, QStringLiteral("NEG_NRUSU"));
}

void ProductLineArea::Vd_QtPtoAcesso(bool inserting) {
    cdsVdQtPtoAcesso->setData(host_.net().getPacket(QStringLiteral("GetVdQtPtoAcesso"),
                                                 {host_.proposal()["CDCLIENTE"].asString(), f("IDTIPLINPP").asString()}));
    const double count = cdsVdQtPtoAcesso->isEmpty() ? 0 : (*cdsVdQtPtoAcesso)["QTPTOACESSO"].asFloat();
    if (count > (inserting ? 0 : 1)) refuse(host_.messages(), rbtTpPtoAcesso, QStringLiteral("PTO_ACESS_CAD"));
}

QString ProductLineArea::systemCodes() const {
    const ClientTable& t = *systems().cdsSistLinhaProd;
    QStringList codes;
    if (t.active())
        for (int r = 0; r < t.rowCount(); ++r) {
            ClientTable::RowView row(t, r);
            codes << t["CDSISTEMA"].asString();
        }
    // Systems chosen for this line that still wait for the server to hold it.
    if (const FollowUp* owed = owedFollowUp();
        owed && cdsLinProd->active() && !cdsLinProd->isEmpty() && owed->line == f("CDLINPPROP").asString()) {
        const int code = owed->systems.indexOf(QStringLiteral("CDSISTEMA"));
        for (const QVariantList& row : owed->systems.rows)
            if (code >= 0 && !codes.contains(row.value(code).toString())) codes << row.value(code).toString();
    }
    codes.sort();
    return codes.join(u' ').trimmed();
}

void ProductLineArea::Vd_LinhaProduto() {
    const QVariantList args{host_.proposal()["CDCLIENTE"].asString(), host_.key().nr, host_.key().ver,
                            f("CDLINPPROP").asString(), f("IDTIPLINPP").asString(),
                            f("NRUSUALINPP").asFloat(), f("IDAMBLINPP").asString(),
                            f("IDLPROCLINPP").asString(), f("IDMPROCLINPP").asString(), systemCodes()};
    cdsVerificaLinhaProd->setData(host_.net().getPacket(QStringLiteral("GetVdLinProd"), args));
    if (!cdsVerificaLinhaProd->isEmpty() && cdsLinProd->changeCount() > 0)
        refuse(host_.messages(), dbeCdLinProd, QStringLiteral("LIN_PROD_ERRO"));
}

void ProductLineArea::takeChosenSystems(const Packet& chosen) {
    if (cdsSistema->active()) cdsSistema->emptyDataSet();
    else cdsSistema->createDataSet();
    if (!chosen.isEmpty()) cdsSistema->setData(chosen);
}

void ProductLineArea::systemsGivenUp() {
    if (cdsLinProd->isEditing()) boCancela = true;
}

}  // namespace cot
