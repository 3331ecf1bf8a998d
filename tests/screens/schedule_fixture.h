#pragma once
// The installment schedules of demo proposal 2 (26/11/2026, contract M, interest of four or
// more installments 1,5 %, today 06/12/2026), opened as the user reaches them:
//   line 2001 (key 3) = (1000 − 50) × 10 = 9.500,00 in four installments from 26/12/2026;
//   line 2002 (key 4) = 650,50 × 2 = 1.301,00 in three;
//   the service package = 7.728,00 in three installments of 2.576,00 from 26/12/2026.
#include <QDate>
#include <QLabel>
#include <cmath>
#include <functional>
#include <numeric>

#include "screens/proposal_fixture.h"
#include "support/call_recorder.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

namespace cot::testing {

enum class Schedule { Line, Package };

inline qint64 cents(double v) { return std::llround(v * 100); }
inline QDate day(int d, int m, int y) { return QDate(y, m, d); }
inline QDateTime midnightOf(const QDate& d) { return QDateTime(d, QTime(0, 0)); }

class ScheduleFixture : public ProposalFixture {
protected:
    struct Stored { QDate due; qint64 cents; };

    Schedule kind = Schedule::Line;

    LineInstallmentsArea& lineArea() { return screen->area<LineInstallmentsArea>(); }
    ServiceInstallmentsArea& packageArea() { return screen->area<ServiceInstallmentsArea>(); }
    InstallmentScheduleArea& area() {
        return kind == Schedule::Line ? static_cast<InstallmentScheduleArea&>(lineArea()) : packageArea();
    }
    bool line() const { return kind == Schedule::Line; }
    ClientTable& schedule() { return line() ? *lineArea().cdsVenc_Valor : *packageArea().cdsVencServ; }
    TDBGrid& grid() { return widget<TDBGrid>(line() ? "dbgVencimento" : "dbgVencPacote"); }
    TNumberEdit& countEdit() { return widget<TNumberEdit>(line() ? "nedParcelas" : "nedParcPacote"); }
    TNumberEdit& totalEdit() { return widget<TNumberEdit>(line() ? "nedVrTotal" : "nedVrTotaPacote"); }
    QLabel& note() { return widget<QLabel>(line() ? "lblJurosVencimento" : "lblJurosPacote"); }
    TDateEditPlus& firstDate() { return widget<TDateEditPlus>(line() ? "depDataVenc" : "depDtVencPacote"); }
    QString dueField() const { return line() ? "DTVELUSOPEDP" : "DTVENCSERVPROP"; }
    QString valueField() const { return line() ? "VRVELUSOPEDP" : "VRVENCSERVPROP"; }
    QString setMethod() const { return line() ? "SetVencimento" : "SetVencServ"; }

    // Proposal 2's line form on the line `code`, recording every call the screen makes.
    void openLine(const QString& code) {
        kind = Schedule::Line;
        openOn(2);
        ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
        ASSERT_TRUE(runHandler([&] {
            ASSERT_TRUE(widget<ClientTable>("cdsLinProd").locate(QStringLiteral("CDLINPPROPINFOR"), code));
            lineArea().loadForCurrentLine();
        }));
        calls.attach(screen->net());
    }
    // The services page of proposal `n`, recording every call the screen makes.
    void openPackage(int n = 2) {
        kind = Schedule::Package;
        openOn(n);
        ASSERT_TRUE(menu(screen->menus().mnuServico));
        calls.attach(screen->net());
    }
    // Line 2001's schedule or proposal 2's package.
    void open(Schedule k) { k == Schedule::Line ? openLine("2001") : openPackage(); }

    bool generate(int count, const QDate& from) {
        countEdit().setText(count ? QString::number(count) : QString());
        if (from.isValid()) firstDate().setDate(from);
        else firstDate().clear();
        return runHandler([&] { area().generate(); });
    }

    // What the database holds for a line of proposal 2 (2001 is key 3, 2002 key 4), for the
    // package of proposal `n`.
    QList<Stored> storedOfLine(int key) {
        return rows("SELECT DTVELUSOPEDP AS D, VRVELUSOPEDP AS V FROM VENCLINPPROP WHERE CDLINPPROP = :K", key);
    }
    QList<Stored> storedOfPackage(int n = 2) {
        return rows("SELECT DTVENCSERVPROP AS D, VRVENCSERVPROP AS V FROM VENCSERVPROP WHERE NRPROPOSFAS = :K", n);
    }
    // Line 2001's or proposal 2's package, as opened by open().
    QList<Stored> stored() { return line() ? storedOfLine(3) : storedOfPackage(); }
    // A schedule as "dd/mm/yyyy cents ...".
    static QString shown(const QList<Stored>& rows) {
        QStringList out;
        for (const Stored& r : rows) out << r.due.toString("dd/MM/yyyy") + u' ' + QString::number(r.cents);
        return out.join(u' ');
    }
    static qint64 sum(const QList<Stored>& rows) {
        return std::accumulate(rows.begin(), rows.end(), qint64(0), [](qint64 s, const Stored& r) { return s + r.cents; });
    }

    // Changes a row of the schedule as a user would, through the table.
    bool change(int row, const std::function<void(ClientTable&)>& set) {
        ClientTable& s = schedule();
        return runHandler([&] { s.setRecNo(row); s.edit(); set(s); s.post(); });
    }
    std::function<void(ClientTable&)> dueOn(const QDate& d) const {
        return [d, f = dueField()](ClientTable& t) { t[f].setAsDateTime(midnightOf(d)); };
    }

    QString errors() const { return dialogs.errors().join(u'|'); }

    // Proposal 2 dated `d`, as the list will read it.
    void dateProposal(const QDate& d) {
        testServer().db().exec("UPDATE PROPOSTAFAS SET DTPROPOSFAS = :D WHERE NRPROPOSFAS = :N",
                               {{"D", midnightOf(d)}, {"N", number(2)}});
    }

    CallRecorder calls;

private:
    QList<Stored> rows(const QString& select, int key) {
        QList<Stored> out;
        for (const QVariantList& r : testServer().db().query(select + " ORDER BY D", {{"K", number(key)}},
                                                             {{"D", FieldType::DateTime}, {"V", FieldType::Float}}).rows)
            out.append({r.value(0).toDateTime().date(), cents(r.value(1).toDouble())});
        return out;
    }
};

}  // namespace cot::testing
