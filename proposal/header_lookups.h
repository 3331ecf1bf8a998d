#pragma once
#include <QString>
#include <functional>

#include "ui/buttons.h"

namespace cot {

class DataSource;

// Lookup button of the header: before the list it runs onBeforePesq (which fills the
// list and may re-point the source), then shows the host search over the source's table
// with "title|empty-list text"; when a row was picked it runs onAfterPesq with the table
// left on that row. Never takes the focus, so the control being edited keeps it.
class LookupButton : public TSpeedButton {
public:
    LookupButton(const QString& name, QWidget* parent, const QString& title, const QString& emptyText);

    DataSource* dataSource = nullptr;
    QString title;
    QString emptyText;
    std::function<void()> onBeforePesq;
    std::function<void()> onAfterPesq;

    // What a click does; true when a row was picked.
    bool pesquisar();
};

}  // namespace cot
