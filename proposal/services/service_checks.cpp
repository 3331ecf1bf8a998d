// The checks of a service, in the order a post runs them, and the hourly rate, invoiced
// rate and discount kept consistent with each other.
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/services/services_area.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

const QString kCode = QStringLiteral("CDTIPOSERV");
const QString kRate = QStringLiteral("VRHORAPROP");
const QString kInvoiced = QStringLiteral("VRDEHORAPROP");
const QString kDiscount = QStringLiteral("VRPEHORAPROP");

long double value(const Field& f) { return static_cast<long double>(f.asFloat()); }

// Whether the field differs from the value the server knows.
bool changed(const Field& f) {
    const QVariant old = f.oldValue();
    if (f.isNull() || old.isNull()) return f.isNull() != old.isNull();
    return !sameMoney(f.asFloat(), old.toDouble());
}

}  // namespace

void ServicesArea::focusColumn(const QString& field) {
    // Showing where a check failed must not run the checks of the column being left.
    const auto exit = std::exchange(dbgServico->onColExit, nullptr);
    if (!host_.hasFocus(dbgServico) && dbgServico->canFocus()) dbgServico->setFocus();
    dbgServico->setSelectedField(field);
    dbgServico->onColExit = exit;
}

void ServicesArea::refuse(const QString& key, const QString& field) {
    focusColumn(field);
    Consiste::MensErro(host_.messages().Msg(key));
    throw Abort();  // MensErro already ended the operation; this keeps the compiler sure of it
}

void ServicesArea::Vd_Servico(bool report) {
    Field& code = f("CDTIPOSERV");
    if (code.asString().trimmed().isEmpty()) {
        if (!report) return;
        f("NMTIPOSERV").clear();
        refuse(QStringLiteral("SERV_INF"), kCode);
    }
    try {
        const QString adjusted = Consiste::Ajusta(code.asString(), 3);
        if (adjusted != code.asString()) code.setAsString(adjusted);
        qryServico.close();
        qryServico.setParam(QStringLiteral("P_CDTIPOSERV"), adjusted);
        qryServico.setParam(QStringLiteral("P_TCDTIPOSERV"), QString());
        qryServico.open();
    } catch (...) {
        focusColumn(kCode);
        throw;
    }
    if (qryServico.isEmpty()) refuse(QStringLiteral("SERVNCAD"), kCode);
    f("NMTIPOSERV").setAsString(qryServico.fieldByName(QStringLiteral("NMTIPOSERV")).asString());
}

void ServicesArea::Vd_IncluServ(bool /*report*/) {
    if (f("VRPEACHEPROP").isNull()) refuse(QStringLiteral("VRPEACHEPROPINF"), QStringLiteral("VRPEACHEPROP"));
    if (f("QTSERVPROP").isNull()) refuse(QStringLiteral("QTSERVPROPINF"), QStringLiteral("QTSERVPROP"));
    if (f("VRHORAPROP").isNull()) refuse(QStringLiteral("VRHORAINF"), kRate);
    if (!f("VRDEHORAPROP").isNull() && value(f("VRHORAPROP")) < value(f("VRDEHORAPROP")))
        refuse(QStringLiteral("VALORDESC"), kInvoiced);
}

void ServicesArea::cdsServicoBeforePost() {
    ClientTable& t = *cdsServico;
    const bool inserting = t.state() == DataSetState::Insert;
    Field& rate = f("VRHORAPROP");
    Field& invoiced = f("VRDEHORAPROP");
    Field& discount = f("VRPEHORAPROP");
    // A new row's type must exist; a stored one keeps its type.
    if (inserting) Vd_Servico(true);
    if (value(discount) > 100 || value(discount) < 0) refuse(QStringLiteral("VRDESC_ENT"), kDiscount);
    // Factor, hours and rate are required, the invoiced rate is not above the rate, and the rate is not zero.
    Vd_IncluServ(true);
    if (value(rate) == 0) refuse(QStringLiteral("VRHR_N_ZERO"), kRate);
    // An invoiced rate never typed follows the rate and the discount, as leaving the
    // rate's column makes it (taken as 0 it would give the service away).
    if (discount.isNull()) discount.setAsFloat(0);
    if (invoiced.isNull()) invoiced.setAsFloat(static_cast<double>(value(rate) * (100 - value(discount)) / 100));
    // What was typed last decides: the invoiced rate, or the discount over the rate. A
    // discount changed in the column still being typed in (its text written in by this
    // post) was typed after any invoiced rate, also the one leaving the rate's column set.
    const Field* typing = dbgServico->selectedField();
    if (typing && typing->fieldName() == kDiscount && changed(discount)) {
        invoiced.setAsFloat(static_cast<double>(value(rate) * (100 - value(discount)) / 100));
    } else if (changed(invoiced)) {
        discount.setAsFloat(static_cast<double>(100 - (value(invoiced) / value(rate)) * 100));
    } else if (changed(discount) || changed(rate)) {
        const Field* column = dbgServico->selectedField();
        if (column && (column->fieldName() == kDiscount || column->fieldName() == kRate))
            invoiced.setAsFloat(static_cast<double>(value(rate) * (100 - value(discount)) / 100));
    }
    // The row belongs to the proposal version on screen.
    const ProposalKey key = host_.key();
    f("NRPROPOSFAS").setAsString(key.nr);
    f("NRVERPROPFAS").setAsString(key.ver);
    if (value(rate) < 0) refuse(QStringLiteral("IMPVRNEG"), kRate);
    if (value(invoiced) < 0) refuse(QStringLiteral("IMPVRDENEG"), kInvoiced);
    // Rate, invoiced rate and discount agree at the edges: no discount, or all of it.
    if (sameMoney(value(rate), value(invoiced))) discount.setAsFloat(0);
    if (sameMoney(value(invoiced), 0)) discount.setAsFloat(100);
    if (sameMoney(value(discount), 0)) invoiced.setAsFloat(rate.asFloat());
    // The package value with this row's change in place of what it stored.
    // The server records it with the row (SetServico).
    f("VRPACOTESERV").setAsFloat(static_cast<double>(GeraValorServico()));
    // 'S' tells the server the description is still empty.
    f("VERIFICA_DESCRICAO").setAsString(f("DSLOCALPROP").asString().isEmpty() ? QStringLiteral("S") : QStringLiteral("N"));
    // After the post the services are verified.
    followUp_ = FollowUp{host_.key(), true};
}

long double ServicesArea::GeraValorServico() const {
    const ClientTable& t = *cdsServico;
    if (!t.active() || (t.isEmpty() && !t.isEditing())) return 0;
    long double v = value(f("VRPACOTESERV"));
    const QVariant hours = f("QTSERVPROP").oldValue();
    const QVariant invoiced = f("VRDEHORAPROP").oldValue();
    if (!hours.isNull() && !invoiced.isNull()) v -= static_cast<long double>(hours.toDouble()) * invoiced.toDouble();
    return v + value(f("QTSERVPROP")) * value(f("VRDEHORAPROP"));
}

}  // namespace cot
