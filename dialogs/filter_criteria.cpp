#include "dialogs/filter_criteria.h"

namespace cot::Cli_cot05002 {

namespace {

QVariant dateArgument(const QDateTime& d) { return d.isValid() ? QVariant(d) : QVariant(); }

}  // namespace

QString contractCode(const TCONTRATOSTATUS& c) {
    if (c.boTodasCont || (c.boLuManut && c.boServico && c.boLocacao)) return QStringLiteral("T");
    if (c.boLuManut && c.boServico) return QStringLiteral("_M_S_");
    if (c.boLuManut && c.boLocacao) return QStringLiteral("_M_L_");
    if (c.boServico && c.boLocacao) return QStringLiteral("_L_S_");
    if (c.boLuManut) return QStringLiteral("M");
    if (c.boServico) return QStringLiteral("S");
    if (c.boLocacao) return QStringLiteral("L");
    return {};
}

FilterArguments filterArguments(const TFILTRO& f) {
    FilterArguments a;
    a.stCliente = f.DADOSCLIENTE.boTodosCliente ? f.DADOSCLIENTE.stCliente : QStringLiteral("T");
    a.stProspect = f.DADOSPROSPECT.boTodosProspect ? f.DADOSPROSPECT.stProspect : QStringLiteral("T");
    a.stContato = f.DADOSCONTATO.boTodosContato ? f.DADOSCONTATO.stContato : QStringLiteral("T");
    // A group restricts the list only when its start date is filled.
    const auto group = [](const QDateTime& from, const QDateTime& to, QString& flag, QDateTime& de, QDateTime& ate) {
        if (from.isValid()) {
            flag.clear();
            de = from;
            ate = to;
        } else {
            flag = QStringLiteral("T");
            de = ate = QDateTime();
        }
    };
    group(f.DATACADASTRO.dtInicial, f.DATACADASTRO.dtFinal, a.stDataPro, a.dtCadastroDe, a.dtCadastroAte);
    group(f.DATAAPROVACAO.dtInicial, f.DATAAPROVACAO.dtFinal, a.stDataAprov, a.dtAprovacaoDe, a.dtAprovacaoAte);
    group(f.DATAVALIDADE.dtInicial, f.DATAVALIDADE.dtFinal, a.stDataVal, a.dtValidaDe, a.dtValidaAte);
    const TDADOSSTATUS& s = f.DADOSSTATUS;
    // Every status at once is the same as "Todas": no restriction.
    if (!s.boTodas && !(s.boVencidas && s.boValidas && s.boAVencer && s.boSubstituidas && s.boPerdidas)) {
        if (s.boVencidas) a.stVencidas = QStringLiteral("V");
        if (s.boValidas) a.stValida = QStringLiteral("VA");
        if (s.boAVencer) a.stAvencer = QStringLiteral("AV");
        if (s.boSubstituidas) a.stSubstituidas = QStringLiteral("S");
        if (s.boPerdidas) a.stPerdidas = QStringLiteral("P");
    }
    const QString decision = f.DADOSDECISAO.stDecisao;
    a.stDecisao = decision == QLatin1String("A") || decision == QLatin1String("R") || decision == QLatin1String("N")
                      ? decision
                      : QStringLiteral("T");
    a.stContrato = contractCode(f.CONTRATOSTATUS);
    a.stReferencia = f.DADOSREFERENCIA.stReferencia;
    const QString seller = f.DADOSVENDEDOR.stVendedor.trimmed();
    a.stVendedor = seller.isEmpty() ? QStringLiteral("T") : seller;
    return a;
}

QVariantList propostaAuxArguments(const FilterArguments& a, const QString& branch, const QString& operatorArgument) {
    return {branch,
            a.stCliente,
            a.stProspect,
            dateArgument(a.dtCadastroDe),
            dateArgument(a.dtCadastroAte),
            dateArgument(a.dtAprovacaoDe),
            dateArgument(a.dtAprovacaoAte),
            a.stDataPro,
            dateArgument(a.dtValidaDe),
            dateArgument(a.dtValidaAte),
            a.stContato,
            a.stDataAprov,
            a.stDataVal,
            a.stVencidas,
            a.stValida,
            a.stAvencer,
            operatorArgument,
            a.stContrato,
            a.stReferencia,
            a.stDecisao,
            a.stSubstituidas,
            a.stPerdidas,
            a.stVendedor};
}

}  // namespace cot::Cli_cot05002
