#pragma once
// How the history of a proposal reads on the desktop: the tables by the names the users
// know them, the operation codes as words and the window's title.
#include <QString>
#include <QStringList>

namespace cot::history_words {

// "Proposta" for PROPOSTAFAS, "Linhas de produto" for LINPPROP...; a table without a
// name of its own keeps its stored name.
QString tableCaption(const QString& table);

// The stored tables shown under one caption (both simulation tables are "Simulação").
QStringList tablesOf(const QString& caption, const QStringList& known);

// I, A, E, M as "Inclusão", "Alteração", "Exclusão", "Método"; anything else as stored.
QString operationWord(const QString& code);

// "Histórico da Proposta 2/01": the number without its leading zeros.
QString windowTitle(const QString& number, const QString& version);

// "0 alterações", "1 alteração", "12 alterações".
QString countText(int rows);

}  // namespace cot::history_words
