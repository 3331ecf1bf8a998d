#pragma once
// A page of the proposal screen opened on a demo proposal as the user reaches it, recording
// every call the screen makes from then on; the buttons the page tests press. Brings the
// controls the page and dialog tests drive.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QVariant>
#include <functional>
#include <memory>

#include "proposal/area/proposal_pages.h"
#include "screens/proposal_fixture.h"
#include "screens/screen_cases_d.h"
#include "support/call_recorder.h"
#include "support/packet_cells.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot::testing {

// Sets fields of the current row of `t`: a text as typed, a number as a number.
inline void setFields(ClientTable& t, std::initializer_list<std::pair<const char*, QVariant>> values) {
    for (const auto& [name, v] : values) {
        Field& f = t[QString::fromLatin1(name)];
        v.typeId() == QMetaType::QString ? f.setAsString(v.toString()) : f.setAsFloat(v.toDouble());
    }
}

class PageFixture : public ProposalFixture {
protected:
    // Proposal n (version `version`) on the page of the menu entry `page`.
    void openPage(int n, TMenuItem* ProposalMenus::*page, const QString& version = QStringLiteral("01")) {
        openOn(n, version);
        ASSERT_TRUE(menu(screen->menus().*page));
        calls.attach(screen->net());
    }
    bool include() { return runHandler([&] { screen->sbtIncluirClick(); }); }
    bool change() { return runHandler([&] { screen->sbtAlterarClick(); }); }
    bool confirm() { return runHandler([&] { screen->sbtConfirmarClick(); }); }
    // Excluir answered Yes.
    bool remove() {
        dialogs.expectConfirm(true);
        return runHandler([&] { screen->sbtExcluirClick(); });
    }
    // Everything shown, for a failure's message.
    std::string shown() const { return dialogs.allTexts().join(u'|').toStdString(); }
    QVariant proposalValue(int n, const char* column) {
        return testServer().db().scalar(
            QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'")
                .arg(QLatin1String(column)), {{"N", number(n)}});
    }

    CallRecorder calls;
};

}  // namespace cot::testing
