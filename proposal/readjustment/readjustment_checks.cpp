// Checks of the readjustment indexes and the split between index 1 and index 2.
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/header/lookup_query.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/local_query.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"

namespace cot {

namespace {

// A typed percentage: the text as the user sees it, read as a number.
bool readPercent(const QString& text, double* value) {
    QString t = text.trimmed();
    if (t.isEmpty()) return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    *value = t.toDouble(&ok);
    return ok;
}

// Whole-number percentage (the sum is made of whole percentages); false otherwise.
bool wholePercent(const Field& field, int* value) {
    if (field.isNull()) return false;
    const double v = field.asFloat();
    if (v != static_cast<double>(static_cast<long long>(v))) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

bool ReadjustmentController::percentual1Cem() const {
    double v = 0;
    if (dbePercent1->modified()) return readPercent(dbePercent1->text(), &v) && v == 100;
    const Field& p = f("VRPEINCIND1");
    return !p.isNull() && p.asFloat() == 100;
}

void ReadjustmentController::Vd_IndiceReaj1(bool required) {
    checkIndex("CDINDICE1", dbeInd1, QStringLiteral("IND1_INF"), QStringLiteral("IND1_N_CAD"), required);
}

void ReadjustmentController::Vd_IndiceReaj2(bool required) {
    if (!indexTwoInUse_) return;
    checkIndex("CDINDICE2", dbeInd2, QStringLiteral("IND2_INF"), QStringLiteral("IND2_N_CAD"), required);
}

// The index code must be registered; it is stored as the register writes it.
void ReadjustmentController::checkIndex(const char* fieldName, QWidget* edit, const QString& emptyKey,
                                        const QString& unknownKey, bool required) {
    const QString code = Consiste::Ajusta(f(fieldName).asString(), 4);
    if (code.isEmpty()) {
        if (required) {
            HeaderController::focus(edit);
            h_.reject(emptyKey);
        }
        return;
    }
    TADOIBQuery& q = qryPesqIndice;
    runLookup(q, "P_CDINDICE", code, "P_TCDINDICE", false);
    if (q.isEmpty()) {
        HeaderController::focus(edit);
        h_.reject(unknownKey);
    }
    f(fieldName).setValue(q.fieldByName(QStringLiteral("CDINDICE")).value());
}

bool ReadjustmentController::verifyType(const QString& index, const QString& type, int which) {
    TADOIBQuery& q = qryVerifTpIndiceReaj;
    q.close();
    q.paramByName(QStringLiteral("P_CDINDICE")).setValue(Consiste::Ajusta(index, 4));
    q.paramByName(QStringLiteral("P_CDTPINDICE")).setValue(type.trimmed());
    q.open();
    if (q.isEmpty()) return false;
    f(which == 1 ? "CDTPINDICE1" : "CDTPINDICE2").setValue(q.fieldByName(QStringLiteral("CDTPINDICE")).value());
    f(which == 1 ? "NMINDICEREAJ1" : "NMINDICEREAJ2").setValue(q.fieldByName(QStringLiteral("NMINDICE")).value());
    f(which == 1 ? "IDPERVALOR1" : "IDPERVALOR2").setValue(q.fieldByName(QStringLiteral("IDPERVALOR")).value());
    return true;
}

void ReadjustmentController::Vd_TpIndiceReaj1(bool required) {
    if (f("CDTPINDICE1").asString().trimmed().isEmpty()) {
        if (required) {
            h_.showFormPage();
            HeaderController::focus(dbeIndTp1);
            h_.reject(QStringLiteral("TP_INDREAJ1"));
        }
        return;
    }
    if (!verifyType(f("CDINDICE1").asString(), f("CDTPINDICE1").asString(), 1)) {
        HeaderController::focus(dbeIndTp1);
        h_.reject(QStringLiteral("TP_IND1_N_CAD"));
    }
}

void ReadjustmentController::Vd_TpIndiceReaj2(bool required) {
    if (f("CDTPINDICE2").asString().trimmed().isEmpty() && dbeTpInd2->isEnabled()) {
        if (required) {
            HeaderController::focus(dbeTpInd2);
            h_.reject(QStringLiteral("TP_INDREAJ2"));
        }
        return;
    }
    if (!indexTwoInUse_) return;
    if (Consiste::Ajusta(f("CDINDICE2").asString(), 4) == Consiste::Ajusta(f("CDINDICE1").asString(), 4) &&
        f("CDTPINDICE2").asString().trimmed() == f("CDTPINDICE1").asString().trimmed()) {
        HeaderController::focus(dbeInd2);
        h_.reject(QStringLiteral("CDINDDIF"));
    }
    if (!verifyType(f("CDINDICE2").asString(), f("CDTPINDICE2").asString(), 2)) {
        HeaderController::focus(dbeTpInd2);
        h_.reject(QStringLiteral("TP_IND2_N_CAD"));
    }
}

void ReadjustmentController::Vd_PercInd1(bool required) {
    if (!editing()) return;
    if (f("VRPEINCIND1").isNull() && dbePercent1->text().trimmed().isEmpty()) {
        if (required) {
            HeaderController::focus(dbePercent1);
            h_.reject(QStringLiteral("INC1_INF"));
        }
        return;
    }
    Controla_Faturamento();
}

void ReadjustmentController::Controla_Faturamento() {
    if (editing()) {
        if (percentual1Cem()) {
            useIndexTwo(false);
            for (const char* name : {"CDINDICE2", "CDTPINDICE2", "NMINDICEREAJ2"})
                if (!f(name).asString().isEmpty()) f(name).setAsString(QString());
            if (f("VRPEINCIND2").isNull() || f("VRPEINCIND2").asFloat() != 0) f("VRPEINCIND2").setAsFloat(0);
            if (host_.hasFocus(dbePercent1)) HeaderController::focus(cbbReajuste);
        } else {
            useIndexTwo(true);
            if (host_.hasFocus(dbePercent1)) HeaderController::focus(dbePercent2);
        }
    }
    if (dbeInd2->isEnabled())
        for (TDBEdit* e : {dbeInd2, dbePercent2, dbeTpInd2}) e->setColor(ControlColor::InfoBk);
}

void ReadjustmentController::requireIndex(int which) {
    const bool first = which == 1;
    const QString n = QString::number(which);
    const auto missing = [&](QWidget* edit, const QString& key) {
        if (first) h_.showFormPage();
        HeaderController::focus(edit);
        h_.reject(key);
    };
    if (first) Vd_IndiceReaj1(false);
    else Vd_IndiceReaj2(false);
    if (f(("CDINDICE" + n).toLatin1().constData()).asString().trimmed().isEmpty())
        missing(first ? dbeInd1 : dbeInd2, QStringLiteral("INDREAJ") + n);
    if (first) Vd_TpIndiceReaj1(false);
    else Vd_TpIndiceReaj2(false);
    if (f(("CDTPINDICE" + n).toLatin1().constData()).asString().trimmed().isEmpty()) {
        HeaderController::focus(first ? dbeIndTp1 : dbeTpInd2);
        h_.reject(QStringLiteral("TP_INDREAJ") + n);
    }
    if (f(("VRPEINCIND" + n).toLatin1().constData()).isNull())
        missing(first ? dbePercent1 : dbePercent2, QStringLiteral("INC") + n);
}

void ReadjustmentController::checkBeforePost() {
    // Index 2 is in use exactly when percentage 1 is below 100, whatever the flag was
    // left at by another proposal.
    useIndexTwo(!percentual1Cem());
    requireIndex(1);
    const double percent1 = f("VRPEINCIND1").asFloat();
    if (percent1 < 100) {
        if (percent1 == 0) {
            HeaderController::focus(dbePercent1);
            h_.reject(QStringLiteral("PERC>0"));
        }
        requireIndex(2);
    }
    if (percentual1Cem()) {
        // Index 1 alone: the stored version drops its second index.
        QString branch = f("CDFILIAL").asString();
        if (branch.trimmed().isEmpty()) branch = Session::instance().branch();
        BusyScope busy;
        host_.net().callChecked(QStringLiteral("SetUpdReaju"), {branch, f("NRPROPOSFAS").asString(),
                                                                   f("NRVERPROPFAS").asString(), 100.0});
    } else {
        int p1 = 0, p2 = 0;
        if (!wholePercent(f("VRPEINCIND1"), &p1) || !wholePercent(f("VRPEINCIND2"), &p2) || p1 + p2 != 100) {
            h_.showFormPage();
            HeaderController::focus(dbePercent1);
            h_.reject(QStringLiteral("INC100"));
        }
    }
    if (f("IDTPREAJPROP").asString().trimmed().isEmpty()) {
        HeaderController::focus(cbbReajuste);
        h_.reject(QStringLiteral("REAJU_INF"));
    }
}

void ReadjustmentController::checkIndexesRequired() {
    const bool alone = percentual1Cem();
    Vd_IndiceReaj1(true);
    if (!alone) Vd_IndiceReaj2(true);
    Vd_TpIndiceReaj1(true);
    if (!alone) Vd_TpIndiceReaj2(true);
    Vd_PercInd1(true);
}

void ReadjustmentController::clearIndexes() {
    for (const char* name : {"CDINDICE1", "CDTPINDICE1", "NMINDICEREAJ1", "CDINDICE2", "CDTPINDICE2", "NMINDICEREAJ2"})
        if (!f(name).isNull()) f(name).clear();
    for (const char* name : {"VRPEINCIND1", "VRPEINCIND2"})
        if (!f(name).isNull()) f(name).clear();
}

}  // namespace cot
