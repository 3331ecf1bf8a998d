#pragma once
#include <QString>
#include <functional>

#include "buttons.h"

namespace cot {

class DataSource;

// Lookup button: a click runs onBeforePesq (which typically fills the list and may point
// the button at another source; throwing Abort cancels the search), then the host search
// (Pesquisa::Pesquisar) over the source's table with "title|emptyText", and, when the user
// picked a row, onAfterPesq with the table left on it. It never takes the focus, so the
// control being edited keeps it. Handlers run inside the error boundary.
class TBtnPesquisa : public TSpeedButton {
public:
    explicit TBtnPesquisa(const QString& name = {}, QWidget* parent = nullptr, const QString& title = {},
                          const QString& emptyText = {});

    DataSource* dataSource = nullptr;
    QString title;
    QString emptyText;
    // Fields the lookup feeds (for the screen's own use; the search itself lists the table).
    QString codeField;
    QString nameField;

    std::function<void()> onBeforePesq;
    std::function<void()> onAfterPesq;

    // What a click does; true when a row was picked. Exceptions pass on (the click wraps
    // it in the boundary).
    bool pesquisar();
};

}  // namespace cot
