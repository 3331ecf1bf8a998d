#include "dialogs/history/history_words.h"

#include <QHash>

namespace cot::history_words {

namespace {

const QHash<QString, QString>& captions() {
    static const QHash<QString, QString> names{
        {QStringLiteral("PROPOSTAFAS"), QStringLiteral("Proposta")},
        {QStringLiteral("LINPPROP"), QStringLiteral("Linhas de produto")},
        {QStringLiteral("SISTLINPPROP"), QStringLiteral("Sistemas da linha")},
        {QStringLiteral("VENCLINPPROP"), QStringLiteral("Parcelas da linha")},
        {QStringLiteral("SERVPROP"), QStringLiteral("Serviços")},
        {QStringLiteral("VENCSERVPROP"), QStringLiteral("Parcelas do pacote")},
        {QStringLiteral("TXTPROPFAS"), QStringLiteral("Textos")},
        {QStringLiteral("OBSPROPFAS"), QStringLiteral("Observação")},
        {QStringLiteral("OBJSERVPROP"), QStringLiteral("Objetivo dos serviços")},
        {QStringLiteral("SIMULAPROP"), QStringLiteral("Simulação")},
        {QStringLiteral("SIMULALINP"), QStringLiteral("Simulação")},
    };
    return names;
}

}  // namespace

QString tableCaption(const QString& table) {
    const QString stored = table.trimmed();
    return captions().value(stored.toUpper(), stored);
}

QStringList tablesOf(const QString& caption, const QStringList& known) {
    QStringList out;
    for (const QString& table : known)
        if (tableCaption(table) == caption && !out.contains(table.trimmed())) out << table.trimmed();
    return out;
}

QString operationWord(const QString& code) {
    const QString c = code.trimmed().toUpper();
    if (c == u"I") return QStringLiteral("Inclusão");
    if (c == u"A") return QStringLiteral("Alteração");
    if (c == u"E") return QStringLiteral("Exclusão");
    if (c == u"M") return QStringLiteral("Método");
    return code.trimmed();
}

QString windowTitle(const QString& number, const QString& version) {
    QString n = number.trimmed();
    while (n.size() > 1 && n.front() == u'0') n.remove(0, 1);
    return QStringLiteral("Histórico da Proposta %1/%2").arg(n, version.trimmed());
}

QString countText(int rows) {
    return rows == 1 ? QStringLiteral("1 alteração") : QStringLiteral("%1 alterações").arg(rows);
}

}  // namespace cot::history_words
