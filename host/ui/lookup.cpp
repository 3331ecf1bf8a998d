#include "lookup.h"

#include "data/client_table.h"
#include "data/data_source.h"
#include "base/dialogs.h"
#include "base/errors.h"

namespace cot {

namespace {

struct CaptionParts {
    QString caption;
    QString emptyText;
};

CaptionParts splitCaption(const QString& text) {
    const int bar = text.indexOf(QLatin1Char('|'));
    if (bar < 0) return {text, {}};
    return {text.left(bar), text.mid(bar + 1)};
}

bool tableEmpty(ClientTable* table) { return !table || !table->active() || table->isEmpty(); }

void showEmpty(const QString& emptyText) {
    if (!emptyText.isEmpty()) Dialogs::current().information(emptyText);
}

bool search(DataSource& source, const QString& captionAndMessage, bool pickSingleRow) {
    const CaptionParts parts = splitCaption(captionAndMessage);
    ClientTable* table = source.dataSet();
    if (tableEmpty(table)) {
        showEmpty(parts.emptyText);
        return false;
    }
    if (pickSingleRow && table->recordCount() == 1) {
        table->first();
        return true;
    }
    return Dialogs::current().pick(*table, parts.caption, parts.emptyText);
}

}  // namespace

namespace Pesquisa {

bool Pesquisar(DataSource& source, const QString& captionAndMessage, bool pickSingleRow) {
    return search(source, captionAndMessage, pickSingleRow);
}

bool Pesquisar_Plus(DataSource& source, const QString& captionAndMessage, bool pickSingleRow) {
    return search(source, captionAndMessage, pickSingleRow);
}

}  // namespace Pesquisa

namespace Pesqlista {

QString PesquisaLista(DataSource& source, const QString& keyTitleMessage) {
    const int bar = keyTitleMessage.indexOf(QLatin1Char('|'));
    if (bar < 0) return PesquisaLista(source, keyTitleMessage, QString());
    return PesquisaLista(source, keyTitleMessage.left(bar), keyTitleMessage.mid(bar + 1));
}

QString PesquisaLista(DataSource& source, const QString& keyField, const QString& titleAndMessage) {
    const CaptionParts parts = splitCaption(titleAndMessage);
    ClientTable* table = source.dataSet();
    if (tableEmpty(table)) {
        showEmpty(parts.emptyText);
        return {};
    }
    table->fieldByName(keyField);  // a wrong key field is a programming error: say so before showing
    return Dialogs::current().pickMany(*table, keyField, parts.caption);
}

}  // namespace Pesqlista

namespace Procurar {

bool Procura(ClientTable& table, const QString& startField) {
    if (tableEmpty(&table)) return false;
    return Dialogs::current().find(table, startField);
}

}  // namespace Procurar

}  // namespace cot
