#include "lookup_button.h"

#include "data/data_source.h"
#include "lookup.h"

namespace cot {

TBtnPesquisa::TBtnPesquisa(const QString& name, QWidget* parent, const QString& title, const QString& emptyText)
    : TSpeedButton(name, parent, QStringLiteral("...")), title(title), emptyText(emptyText) {
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setToolTip(title.isEmpty() ? QStringLiteral("Pesquisar") : title);
    onClick = [this] { pesquisar(); };
}

bool TBtnPesquisa::pesquisar() {
    if (onBeforePesq) onBeforePesq();
    if (!dataSource) return false;
    if (!Pesquisa::Pesquisar(*dataSource, title + QLatin1Char('|') + emptyText)) return false;
    if (onAfterPesq) onAfterPesq();
    return true;
}

}  // namespace cot
