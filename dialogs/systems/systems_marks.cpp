#include "dialogs/systems/systems_marks.h"

#include <QStringList>

#include "data/client_table.h"
#include "dialogs/check_list.h"
#include "data/table_fields.h"
#include "dialogs/systems/systems_dialog.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/lookup.h"
#include "ui/screen.h"

namespace cot {

namespace systems_marks {

namespace {

const QString kMark = QStringLiteral("IDCHECK");
const QString kCode = QStringLiteral("CDSISTEMA");

QString mark(const ClientTable& t) { return t[kMark].asString(); }

void setMark(ClientTable& t, const QString& value) {
    if (mark(t) == value) return;
    t.edit();
    t[kMark].setAsString(value);
    t.post();
}

bool contains(const ClientTable& checked, const QString& code) {
    return checked.active() && checked.lookup(kCode, {code}, kCode).isValid();
}

template <class F>
void eachRow(ClientTable& t, F&& f) {
    for (t.first(); !t.eof(); t.next()) f();
}

void append(ClientTable& checked, const ClientTable& systems) {
    checked.append();
    for (int i = 0; i < checked.fieldCount(); ++i) {
        Field& f = checked.field(i);
        if (f.kind() != FieldKind::Data) continue;
        if (const Field* source = systems.findField(f.fieldName())) f.setValue(source->value());
    }
    checked[kMark].setAsString(kChecked);
    checked.post();
}

}  // namespace

void choiceFields(ClientTable& t) {
    using namespace table_fields;
    text(t, "SGSISTEMA", 3, QStringLiteral("Sigla"));
    text(t, "CDPROCOMERCI", 10);
    text(t, "NMPROCOMERCI", 50, QStringLiteral("Prod. Comercial"));
    text(t, "IDTECNOSIST", 3, QStringLiteral("Tecnologia"));
    text(t, "CDSISTEMA", 8, QStringLiteral("Código"));
    fixed(t, "IDCHECK", 1);
    text(t, "NMSISTEMA", 40, QStringLiteral("Sistema"));
}

void markOnLine(ClientTable& systems, const ClientTable& lineSystems) {
    if (!systems.active()) return;
    ControlsOff off(systems);
    if (lineSystems.active()) {
        QStringList codes;
        for (int r = 0; r < lineSystems.rowCount(); ++r)
            lineSystems.withRow(r, [&] { codes << lineSystems[kCode].asString(); });
        for (const QString& code : codes)
            if (!code.isEmpty() && systems.locate(kCode, code)) setMark(systems, kOnLine);
    }
    systems.first();
}

void markChecked(ClientTable& systems, const ClientTable& checked) {
    if (!systems.active() || !checked.active() || checked.isEmpty()) return;
    ControlsOff off(systems);
    const Bookmark here = systems.bookmark();
    eachRow(systems, [&] {
        if (mark(systems) == kSelectable && contains(checked, systems[kCode].asString())) setMark(systems, kChecked);
    });
    if (systems.bookmarkValid(here)) systems.gotoBookmark(here);
}

bool toggleCurrent(ClientTable& systems, ClientTable& checked) {
    if (!systems.active() || systems.isEmpty()) return false;
    const QString code = systems[kCode].asString();
    const QString now = mark(systems);
    if (now == kSelectable) {
        setMark(systems, kChecked);
        if (!contains(checked, code)) append(checked, systems);
        return true;
    }
    if (now == kChecked) {
        setMark(systems, kSelectable);
        if (checked.active() && checked.locate(kCode, code)) checked.deleteRecord();
        return true;
    }
    return false;
}

void applyAccessPoint(ClientTable& systems, const ClientTable& checked) {
    if (!systems.active()) return;
    const bool none = !checked.active() || checked.isEmpty();
    ControlsOff off(systems);
    const Bookmark here = systems.bookmark();
    eachRow(systems, [&] {
        const QString now = mark(systems);
        if (now == kOnLine) return;
        if (none) setMark(systems, kSelectable);
        else if (now != kChecked) setMark(systems, kBlocked);
    });
    if (systems.bookmarkValid(here)) systems.gotoBookmark(here);
}

void setAll(ClientTable& systems, ClientTable& checked, bool check) {
    if (!systems.active()) return;
    ControlsOff off(systems);
    eachRow(systems, [&] {
        if (mark(systems) == kOnLine) return;
        setMark(systems, check ? kChecked : kSelectable);
        if (check && !contains(checked, systems[kCode].asString())) append(checked, systems);
    });
    if (!check && checked.active()) checked.emptyDataSet();
    systems.first();
}

void markWritten(ClientTable& systems, ClientTable& checked) {
    if (!checked.active() || checked.isEmpty()) return;
    checked.first();
    const QString code = checked[kCode].asString();
    if (systems.active() && systems.locate(kCode, code)) setMark(systems, kOnLine);
    checked.deleteRecord();
}

namespace {

void collectCodes(const ClientTable& t, QStringList& codes) {
    if (!t.active()) return;
    for (int r = 0; r < t.rowCount(); ++r)
        t.withRow(r, [&] {
            const QString code = t[kCode].asString().trimmed();
            if (!code.isEmpty() && !codes.contains(code)) codes << code;
        });
}

}  // namespace

QString checkedCodes(const ClientTable& checked) {
    if (!checked.active()) return {};
    QStringList codes;
    for (int r = 0; r < checked.rowCount(); ++r) checked.withRow(r, [&] { codes << checked[kCode].asString(); });
    codes.sort();
    return codes.join(u' ');
}

QString configurationCodes(const ClientTable* lineSystems, const ClientTable& checked) {
    QStringList codes;
    if (lineSystems) collectCodes(*lineSystems, codes);
    collectCodes(checked, codes);
    codes.sort();
    return codes.join(u' ');
}

}  // namespace systems_marks

bool TfrmSistemasLinha::accessPointLine() const { return screen_.accessPointLine(); }

void TfrmSistemasLinha::Identificador() {
    ClientTable& line = screen_.productLines();
    const QString type = line[QStringLiteral("IDTIPLINPP")].asString();
    const QString kind =
        type == QLatin1String("M") || type == QLatin1String("L") ? QStringLiteral("PROD") : QStringLiteral("PTOA");
    QString platform = QStringLiteral("ASP");
    if (rdbDos->isChecked()) platform = QStringLiteral("DOS");
    else if (rdbWin->isChecked()) platform = QStringLiteral("WIN");
    else if (rdbWeb->isChecked()) platform = QStringLiteral("WEB");
    ProposalReach& s = screen_;
    const QString product = s.proposal()[QStringLiteral("CDPROCOMERCI")].asString();
    cdsSistema->setData(s.net().getPacket(QStringLiteral("GetSistema"), {platform, QStringLiteral(""), product, kind}));
}

void TfrmSistemasLinha::VerificaPreenchidos() { systems_marks::markOnLine(*cdsSistema, screen_.lineSystems()); }

void TfrmSistemasLinha::reapplyAccessPoint() {
    if (accessPointLine()) systems_marks::applyAccessPoint(*cdsSistema, *cdsSistemaOrdena);
}

void TfrmSistemasLinha::rdbPlataformaClick() {
    Identificador();
    // The new list arrives all "N": the line's systems and the user's choice go back on it.
    VerificaPreenchidos();
    systems_marks::markChecked(*cdsSistema, *cdsSistemaOrdena);
    reapplyAccessPoint();
}

void TfrmSistemasLinha::MarcaSistema() {
    if (!cdsSistema->active() || cdsSistema->isEmpty()) return;
    const Bookmark here = cdsSistema->bookmark();
    systems_marks::toggleCurrent(*cdsSistema, *cdsSistemaOrdena);
    reapplyAccessPoint();
    if (cdsSistema->bookmarkValid(here)) cdsSistema->gotoBookmark(here);
}

void TfrmSistemasLinha::MarcaTodos() {
    HourGlass hourGlass;
    if (accessPointLine()) Consiste::MensErro(msgPadrao.Msg(QStringLiteral("LIN_PROD_PTO")));
    systems_marks::setAll(*cdsSistema, *cdsSistemaOrdena, !allChecked_);
    allChecked_ = !allChecked_;
}

}  // namespace cot
