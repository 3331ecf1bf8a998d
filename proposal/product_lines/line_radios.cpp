// The radio pairs of the line form (kind, processing mode and place) and the words shown
// for the line's one-letter codes.
#include <QPointer>
#include <QScopedValueRollback>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/buttons.h"
#include "ui/containers.h"

namespace cot {

void ProductLineArea::rbtModoLocalClick(TRadioButton* clicked) {
    if (syncingRadios_) return;
    ClientTable& t = *cdsLinProd;
    // A click on a stored line edits it.
    if (boTestaLin && t.state() == DataSetState::Browse && !t.isEmpty()) {
        t.edit();
        host_.setActiveTable(cdsLinProd);
    }
    // The clicked radio's pair stores M (head office) or F (branch).
    const bool mode = clicked == rbtMatrizModo || clicked == rbtFilialMode;
    const bool head = clicked == rbtMatrizModo || clicked == rbtMatrizLocal;
    if (t.isEditing())
        f(mode ? "IDMPROCLINPP" : "IDLPROCLINPP").setAsString(head ? QStringLiteral("M") : QStringLiteral("F"));
    // Head-office processing is processed at the head office.
    if (clicked == rbtMatrizModo) {
        rbtMatrizLocal->setChecked(true);
        if (t.isEditing()) f("IDLPROCLINPP").setAsString(QStringLiteral("M"));
    }
    // A branch place is offered only when the mode is not the head office.
    rbtFilialLocal->setEnabled(grbLocal->isEnabled() && !rbtMatrizModo->isChecked());
}

void ProductLineArea::rbtTipoClick(bool accessPoint) {
    if (syncingRadios_) return;
    ClientTable& t = *cdsLinProd;
    TRadioButton* other = accessPoint ? rbtTpProduto : rbtTpPtoAcesso;
    // A click on a stored line edits it.
    if (boTestaLin && t.state() == DataSetState::Browse && !t.isEmpty()) {
        t.edit();
        host_.setActiveTable(cdsLinProd);
    }
    // The kind of a line that has systems stays.
    if (boTestaLin && t.state() == DataSetState::Edit) {
        if (!accessPoint) systems().loadForCurrentLine();
        if (!systems().cdsSistLinhaProd->isEmpty()) {
            {
                const QScopedValueRollback<bool> detached(syncingRadios_, true);
                t.cancel();
                other->setChecked(true);
                if (other->canFocus()) other->setFocus();
            }
            Consiste::MensErro(host_.messages().Msg(QStringLiteral("Tip_N_Alter")).replace(QLatin1String("\\n"), "\n"));
        }
    }
    // The kind is stored in the contract's codes.
    if (t.isEditing()) f("IDTIPLINPP").setAsString(lineType(accessPoint));
    // Prices the new kind does not take are offered for clearing; the click that puts a refused kind back asks nothing.
    if (t.isEditing() && boValidaLinp) offerClearing(accessPoint);
    else boValidaLinp = true;
    Controla_Formulario();
    host_.stateChanged();
    // The kind now stored, to come back to when a later change is refused.
    if (t.active() && !t.isEmpty()) previousType_ = f("IDTIPLINPP").asString();
    if (!accessPoint) boTestaLin = true;
}

void ProductLineArea::offerClearing(bool accessPoint) {
    const auto filled = [this](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (!f(n).isNull() && f(n).asFloat() != 0) return true;
        return false;
    };
    const std::initializer_list<const char*> five{"QTMINIMAFATPROP", "VRDESMENSALPROP", "VRMENSALIDAPROP",
                                                  "VRLICENCUSOPROP", "VRDESLICUSOPROP"};
    QString key;
    QList<const char*> cleared;
    if (!accessPoint && rental() && filled({"VRLICENCUSOPROP", "VRDESLICUSOPROP"})) {
        key = QStringLiteral("Loc");
        cleared = {"QTMINIMAFATPROP", "VRLICENCUSOPROP", "VRDESLICUSOPROP"};
    } else if (!accessPoint && licence() && filled({"VRLICENCUSOPROP", "VRDESLICUSOPROP"})) {
        key = QStringLiteral("Lu-ManutProd");
        cleared = five;
    } else if (accessPoint && (licence() || rental()) && filled(five)) {
        key = licence() ? QStringLiteral("PtoAcess") : QStringLiteral("LocPtoAcess");
        cleared = five;
    }
    if (key.isEmpty()) return;
    if (host_.messages().ShowMsg(key, DialogType::Confirmation, mbYes | mbNo) == mrYes) {
        for (const char* n : cleared) f(n).clear();
        return;
    }
    // Refused: the old kind comes back, and its click asks nothing.
    f("IDTIPLINPP").setAsString(previousType_);
    boValidaLinp = false;
    TRadioButton* other = accessPoint ? rbtTpProduto : rbtTpPtoAcesso;
    if (other->canFocus()) other->setFocus();
    other->setChecked(true);
    throw Abort();
}

void ProductLineArea::attachCodeTexts() {
    const TMessages& m = host_.messages();
    struct Code {
        const char* code;
        const char* key;
    };
    const auto attach = [&m, this](const char* field, QList<Code> codes, bool trim) {
        Field& fd = f(field);
        fd.onGetText = [&m, codes](Field& x, bool) {
            const QString code = x.asString();
            for (const Code& c : codes)
                if (code == QLatin1String(c.code)) return m.Msg(QString::fromUtf8(c.key));
            return code;  // an unknown code shows as it is
        };
        fd.onSetText = [&m, codes, trim](Field& x, const QString& typed) {
            const QString text = trim ? Consiste::AllTrim(typed) : typed;
            for (const Code& c : codes)
                if (text == m.Msg(QString::fromUtf8(c.key)) || text == QLatin1String(c.code)) {
                    x.setAsString(QString::fromLatin1(c.code));
                    return;
                }
        };
    };
    attach("IDTIPLINPP", {{"M", "LU - Manutenção"}, {"L", "Locação"}, {"P", "Pto. Acesso"}, {"A", "Locação - Pto. Acesso"}},
           false);
    attach("IDMPROCLINPP", {{"M", "Matriz"}, {"F", "Filial"}}, true);
    attach("IDLPROCLINPP", {{"M", "Matriz"}, {"F", "Filial"}}, true);
}

}  // namespace cot
