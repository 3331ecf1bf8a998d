#pragma once
// How the history of a proposal reads on the desktop: the tables by the names the users
// know them, the operation codes and the server's methods as words and the window's title.
// The fields and their values read by history_fields.h.
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

// What a server method did, as the row of its run says it: "Parcelas geradas" for
// SetVencimento, "Cópia da versão 01" for CopiaDados with `origin` "NUMBER/01" (the copy's
// source as its run kept it) when NUMBER is `number`, "Cópia da proposta 7/02" when it is
// another. A method without words of its own keeps its name.
QString methodWord(const QString& method, const QString& origin = {}, const QString& number = {});

// The source a copy's run kept ("00000000000000000007/02") as a person reads it ("7/02").
QString originText(const QString& origin);

// "Histórico da Proposta 2/01": the number without its leading zeros.
QString windowTitle(const QString& number, const QString& version);

// "0 alterações", "1 alteração", "12 alterações".
QString countText(int rows);

}  // namespace cot::history_words
