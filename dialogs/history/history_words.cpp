#include "dialogs/history/history_words.h"

#include <QHash>

#include "data/proposal_number.h"

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

// What each method that writes a proposal did, by its name on the history's rows.
const QHash<QString, QString>& methodWords() {
    static const QHash<QString, QString> words{
        {QStringLiteral("SetProposta"), QStringLiteral("Proposta gravada")},
        {QStringLiteral("SetUpdReaju"), QStringLiteral("Reajuste atualizado")},
        {QStringLiteral("SetTipoContrato"), QStringLiteral("Tipo de contrato trocado")},
        {QStringLiteral("SetLinProd"), QStringLiteral("Linhas de produto gravadas")},
        {QStringLiteral("SetSistema"), QStringLiteral("Sistemas da linha gravados")},
        {QStringLiteral("InsereSistema"), QStringLiteral("Sistemas incluídos na linha")},
        {QStringLiteral("SetVencimento"), QStringLiteral("Parcelas geradas")},
        {QStringLiteral("SetServico"), QStringLiteral("Serviços gravados")},
        {QStringLiteral("InsereServicoAuto"), QStringLiteral("Serviços obrigatórios incluídos")},
        {QStringLiteral("SetObjServico"), QStringLiteral("Objetivo dos serviços gravado")},
        {QStringLiteral("SetTipoCobrServ"), QStringLiteral("Cobrança dos serviços alterada")},
        {QStringLiteral("SetVencServ"), QStringLiteral("Parcelas do pacote gravadas")},
        {QStringLiteral("SetObs"), QStringLiteral("Observação gravada")},
        {QStringLiteral("SetMensagem"), QStringLiteral("Textos gravados")},
        {QStringLiteral("InsTextoProp"), QStringLiteral("Texto incluído")},
        {QStringLiteral("AlteraTexto"), QStringLiteral("Texto alterado")},
        {QStringLiteral("GerarTextoPadraoProp"), QStringLiteral("Textos padrão gerados")},
        {QStringLiteral("RestauraTextoProp"), QStringLiteral("Textos padrão restaurados")},
        {QStringLiteral("SetSimulacao"), QStringLiteral("Simulação gravada")},
        {QStringLiteral("CopiaDados"), QStringLiteral("Cópia de outra versão")},
        {QStringLiteral("EnviarAoCliente"), QStringLiteral("Enviada ao cliente")},
        {QStringLiteral("RevogarEnvio"), QStringLiteral("Envio ao cliente revogado")},
        {QStringLiteral("DecisaoCliente"), QStringLiteral("Decisão do cliente registrada")},
        {QStringLiteral("AceiteProposta"), QStringLiteral("Proposta aceita")},
        {QStringLiteral("MarcarPerdida"), QStringLiteral("Marcada como perdida")},
        {QStringLiteral("DesmarcarPerdida"), QStringLiteral("Perda desmarcada")},
    };
    return words;
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

QString methodWord(const QString& method, const QString& origin, const QString& number) {
    const QString name = method.trimmed();
    const qsizetype slash = origin.indexOf(u'/');
    if (name == u"CopiaDados" && slash > 0) {
        const QString from = origin.left(slash).trimmed(), version = origin.mid(slash + 1).trimmed();
        if (shortNumber(from) == shortNumber(number)) return QStringLiteral("Cópia da versão %1").arg(version);
        return QStringLiteral("Cópia da proposta %1").arg(shortProposalNumber(from, version));
    }
    return methodWords().value(name, name);
}

QString originText(const QString& origin) {
    const qsizetype slash = origin.indexOf(u'/');
    return slash > 0 ? shortProposalNumber(origin.left(slash), origin.mid(slash + 1)) : origin;
}

QString windowTitle(const QString& number, const QString& version) {
    return QStringLiteral("Histórico da Proposta %1").arg(shortProposalNumber(number, version));
}

QString countText(int rows) {
    return rows == 1 ? QStringLiteral("1 alteração") : QStringLiteral("%1 alterações").arg(rows);
}

}  // namespace cot::history_words
