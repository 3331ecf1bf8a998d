#include "proposal/simulation/simulation_shared.h"

#include <QHBoxLayout>
#include <QLabel>

#include "data/client_table.h"
#include "proposal/area/area_host.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/busy_animation.h"
#include "ui/number_edit.h"

namespace cot::simulation_shared {

TNumberEdit* addTotal(QHBoxLayout& row, QWidget* parent, const char* name, const char* caption) {
    auto* e = new TNumberEdit(QString::fromLatin1(name), parent);
    e->setDecimals(2);
    e->setDisplayFormat(QStringLiteral("#,##0.00"));
    e->setReadOnly(true);
    e->setColor(ControlColor::BtnFace);
    e->setAlignment(Qt::AlignRight);
    e->setMaximumWidth(160);
    row.addWidget(new QLabel(QString::fromUtf8(caption), parent));
    row.addWidget(e);
    return e;
}

void checkOrder(AreaHost& host, ClientTable& t, const QString& field, bool report,
                ClientTable& answer, const QString& method, QVariantList args) {
    const QString order = Consiste::Ajusta(t[field].asString(), kOrderWidth);
    if (order != t[field].asString()) t[field].setAsString(order);
    if (order.isEmpty()) {
        if (!report) return;
        Consiste::MensErro(host.messages().Msg(QStringLiteral("NRORDEM_INF")));
    }
    args << order;
    {
        // Hidden again before any message.
        BusyScope busy;
        answer.setData(host.net().getPacket(method, args));
    }
    if (!answer.isEmpty()) Consiste::MensErro(host.messages().Msg(QStringLiteral("ORDEMJACAD")));
}

}  // namespace cot::simulation_shared
