#pragma once
// Helpers shared by the screen tests of the proposal list and the windows it opens: the
// client's decisions, acceptances and losses written straight into the demo data, and a
// window looked at while it is up.
#include <QDateTime>
#include <functional>

#include "server/storage/database.h"
#include "support/packet_cells.h"
#include "support/scripted_modal_runner.h"
#include "ui/event_boundary.h"

namespace cot::testing {

inline const QDateTime kDecided(QDate(2026, 12, 5), QTime(9, 0));

// The client's decision ("A" or "R") on version `ver` of demo proposal n, through its first sending.
inline void storeDecision(server::Database& db, int n, const QString& ver, const QString& decision,
                          const QDateTime& at = kDecided) {
    db.exec("INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, TXHASHCONT) "
            "VALUES (:N, :V, 1, :D, :T, :H)",
            {{"N", nr(n)}, {"V", ver}, {"D", decision}, {"T", at}, {"H", QString(64, u'a')}});
}

// Version 03 of proposal 6 accepted by the client (the acceptance holds the deal for it),
// version 01 of proposal 9 lost.
inline void storeClosedVersions(server::Database& db) {
    storeDecision(db, 6, "03", "A");
    db.exec("INSERT INTO ACEITEPROP (NRPROPOSFAS, NRVERPROPFAS, DTACEITE) VALUES (:N, '03', :D)",
            {{"N", nr(6)}, {"D", kDecided}});
    db.exec("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, IDMOTIVO) VALUES (:N, '01', :D, 'P')",
            {{"N", nr(9)}, {"D", kDecided}});
}

// Runs `open`, handing the window named `name` to `look` while it is up; false when opening
// failed or the window never showed.
template <class Form>
bool whileShown(ScriptedModalRunner& runner, const char* name, const std::function<void(Form&)>& look,
                const std::function<void()>& open) {
    bool seen = false;
    runner.expect([&](QWidget& w) { seen = true; look(static_cast<Form&>(w)); }, name);
    return runHandler(open) && seen;
}

}  // namespace cot::testing
