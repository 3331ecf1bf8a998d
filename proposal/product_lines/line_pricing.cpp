// Prices of a product line: licence of use and monthly value, each a unit value and a
// discount amount, with the discounted value shown beside them (and typed instead, when
// the user prefers); the quantity, the grace month and the key filters of the fields.
#include "base/errors.h"
#include "data/client_table.h"
#include "data/format_br.h"
#include "proposal/product_lines/product_line_area.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "services/money.h"
#include "ui/date_edit.h"
#include "ui/db_edit.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

void focus(QWidget* control) {
    if (auto* c = dynamic_cast<Control*>(control); c && c->canFocus()) c->setFocus();
}

// Keys of the price edits: digits, one decimal comma, '.', backspace, tab and escape.
void priceKeyPress(QChar& key, const QString& text) {
    const char16_t c = key.unicode();
    if (c == u'\b' || c == u'\t' || c == 27 || key.isDigit() || c == u'.') return;
    if (c == u',' && !text.contains(u',')) return;
    key = QChar();
}

// One price of the line: its fields, its edits and its messages.
struct PriceGroup {
    const char* unit;
    const char* discount;
    TDBEdit* unitEdit;
    TDBEdit* discountEdit;
    TNumberEdit* discounted;
    const char* emptyKey;
    const char* discountKey;
};

}  // namespace

void ProductLineArea::Vd_Desconto(TDBEdit* unit, TDBEdit* discount, TNumberEdit* discounted) {
    const long double u = (*cdsLinProd)[unit->dataField()].asFloat();
    const long double d = (*cdsLinProd)[discount->dataField()].asFloat();
    discounted->setValue(static_cast<double>(roundDec(u - d, 2)));
}

void ProductLineArea::Controla_Vr_Desconto() {
    if (!cdsLinProd->active()) return;
    const auto show = [this](TDBEdit* unit, const char* u, const char* d, TNumberEdit* discounted) {
        if (unit->text().trimmed().isEmpty() || (cdsLinProd->isEmpty() && !cdsLinProd->isEditing())) {
            discounted->clear();
            return;
        }
        discounted->setValue(static_cast<double>(static_cast<long double>(f(u).asFloat()) - f(d).asFloat()));
    };
    show(dbeVrUnitLic, "VRLICENCUSOPROP", "VRDESLICUSOPROP", nedVrComDesconto);
    show(dbeVrUnitManutLoc, "VRMENSALIDAPROP", "VRDESMENSALPROP", nedVrComDescontoManut);
}

// The checks of one price: a unit value when it applies, a discount not above it.
void ProductLineArea::checkPrice(bool monthly, bool report) {
    const PriceGroup g = monthly ? PriceGroup{"VRMENSALIDAPROP", "VRDESMENSALPROP", dbeVrUnitManutLoc, dbeDescManutLoc,
                                              nedVrComDescontoManut, "VALMES", "VRUNMANUT"}
                                 : PriceGroup{"VRLICENCUSOPROP", "VRDESLICUSOPROP", dbeVrUnitLic, dbeDescLic,
                                              nedVrComDesconto, "VALLU", "VRUNLINPROD"};
    const TMessages& m = host_.messages();
    // A price that applies must be given.
    if (g.unitEdit->isEnabled() && g.unitEdit->text().trimmed().isEmpty() && report) {
        focus(g.unitEdit);
        Consiste::MensErro(m.Msg(QString::fromLatin1(g.emptyKey)));
    }
    // A price that does not apply is none.
    if (!g.unitEdit->isEnabled() && cdsLinProd->isEditing()) {
        f(g.unit).setAsFloat(0);
        f(g.discount).setAsFloat(0);
    }
    // Missing values are zero, and the discount may not exceed the unit value.
    if (cdsLinProd->isEditing()) {
        if (f(g.discount).isNull()) f(g.discount).setAsFloat(0);
        if (f(g.unit).isNull()) f(g.unit).setAsFloat(0);
        if (roundDec(f(g.discount).asFloat(), 2) > roundDec(f(g.unit).asFloat(), 2)) {
            focus(g.discountEdit);
            Consiste::MensErro(m.Msg(QString::fromLatin1(g.discountKey)));
        }
    }
    // Shows the unit value less the discount.
    Vd_Desconto(g.unitEdit, g.discountEdit, g.discounted);
}

void ProductLineArea::Vd_VrLicUso(bool report) { checkPrice(false, report); }
void ProductLineArea::Vd_VrManut(bool report) { checkPrice(true, report); }

void ProductLineArea::Vd_QtMin(bool report) {
    if (!report) return;
    // A quantity that does not apply is zero.
    if (!dbeQtdeLicenca->isEnabled() && cdsLinProd->isEditing()) f("QTMINIMAFATPROP").setAsFloat(0);
    // The quantity is required and may not be negative.
    const char* key = f("QTMINIMAFATPROP").isNull() ? "QTLICE" : f("QTMINIMAFATPROP").asFloat() < 0 ? "QTLICE_NEG" : nullptr;
    if (key) {
        focus(dbeQtdeLicenca);
        Consiste::MensErro(host_.messages().Msg(QString::fromLatin1(key)));
    }
}

void ProductLineArea::nedVrComDescontoExit(bool monthly) {
    if (!cdsLinProd->isEditing()) return;
    TNumberEdit* edit = monthly ? nedVrComDescontoManut : nedVrComDesconto;
    const char* unit = monthly ? "VRMENSALIDAPROP" : "VRLICENCUSOPROP";
    const char* discount = monthly ? "VRDESMENSALPROP" : "VRDESLICUSOPROP";
    const TMessages& m = host_.messages();
    // An emptied value is zero.
    if (edit->isEmpty()) edit->setText(QStringLiteral("0"));
    const long double value = edit->value();
    // The value with discount is neither negative nor above the unit value.
    const char* key = value < 0                                               ? "VR_MAIOR_ZERO"
                      : roundDec(value, 2) > roundDec(f(unit).asFloat(), 2) ? "VRDESC_MEN_VRUNIT"
                                                                              : nullptr;
    if (key) {
        focus(edit);
        Consiste::MensErro(m.Msg(QString::fromLatin1(key)));
    }
    // The discount is what the typed value leaves off the unit value.
    f(discount).setAsFloat(static_cast<double>(static_cast<long double>(f(unit).asFloat()) - value));
    edit->setText(formatMoney(value));
}

void ProductLineArea::depCarenLuExit() {
    if (!cdsLinProd->isEditing()) return;
    // Checked first: a text that is not a date has no month to compare.
    QDate typed;
    try {
        typed = readTypedDate(depCarenLu->text());
    } catch (const UserError&) {
        focus(depCarenLu);
        Consiste::MensErro(u'\'' + depCarenLu->text() + u'\'' + host_.messages().Msg(QStringLiteral("DT_INV")));
    }
    // Compared as the post compares it: the grace month's last day.
    const QDateTime proposal = host_.proposal()["DTPROPOSFAS"].asDateTime();
    if (typed.isValid() && proposal.isValid() && proposal.date() > Consiste::UltimoDiaMes(typed)) {
        focus(depCarenLu);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("DATACAL_MEN")));
    }
}

void ProductLineArea::attachFieldHandlers() {
    for (TDBEdit* e : {dbeVrUnitLic, dbeDescLic, dbeVrUnitManutLoc, dbeDescManutLoc})
        e->onKeyPress = [e](QChar& key) { priceKeyPress(key, e->text()); };
    for (TNumberEdit* e : {nedVrComDesconto, nedVrComDescontoManut}) {
        e->onKeyPress = [e](QChar& key) {
            priceKeyPress(key, e->text());
            if (!key.isNull() && e->text().size() >= 9 && key != u'\b' && key != u',') key = QChar();
        };
        // Typing a discounted value edits the line.
        e->onChange = [this, e] {
            if (formShown() && cdsLinProd->state() == DataSetState::Browse && !cdsLinProd->isEmpty() && host_.hasFocus(e))
                cdsLinProd->edit();
        };
    }
    nedVrComDesconto->onExit = [this] { nedVrComDescontoExit(false); };
    nedVrComDescontoManut->onExit = [this] { nedVrComDescontoExit(true); };
    dbeDescLic->onExit = [this] { Vd_VrLicUso(false); };
    dbeDescManutLoc->onExit = [this] { Vd_VrManut(false); };
    for (TDBEdit* e : {dbeNrUsuLic, dbeQtdeLicenca})
        e->onKeyPress = [](QChar& key) {
            const char16_t c = key.unicode();
            if (!(c == u'\b' || c == u'\t' || c == 27 || key.isDigit() || c == u'.')) key = QChar();
        };
    dbeCdLinProd->onExit = [this] {
        if (!cdsLinProd->isEditing()) return;
        f("CDLINPPROPINFOR").setAsString(dbeCdLinProd->text().trimmed());
        Vd_CdLinProd(false);
    };
    depCarenLu->onExit = [this] { depCarenLuExit(); };
}

}  // namespace cot
