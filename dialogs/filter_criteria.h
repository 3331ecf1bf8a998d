#pragma once
#include <QDateTime>
#include <QString>
#include <QVariantList>

namespace cot::Cli_cot05002 {

// The proposal filter's criteria as last confirmed. An empty date is an invalid QDateTime
// (kept as 0). The "Lista" flags are true when a list of codes is chosen instead of "Todos".
struct TDATAAPROVACAO { QDateTime dtInicial, dtFinal; };
struct TDATACADASTRO { QDateTime dtInicial, dtFinal; };
struct TDATAVALIDADE { QDateTime dtInicial, dtFinal; };
struct TDADOSCLIENTE { bool boTodosCliente = false; QString stCliente; };
struct TDADOSPROSPECT { bool boTodosProspect = false; QString stProspect; };
struct TDADOSCONTATO { bool boTodosContato = false; QString stContato; };
struct TDADOSSTATUS {
    bool boTodas = true, boVencidas = false, boValidas = false, boAVencer = false;
    bool boSubstituidas = false, boPerdidas = false;
};
// The client's decision on the version: "T" any, "A" accepted, "R" declined, "N" none.
struct TDADOSDECISAO { QString stDecisao = QStringLiteral("T"); };
struct TCONTRATOSTATUS { bool boTodasCont = true, boLuManut = false, boServico = false, boLocacao = false; };
struct TDADOSREFERENCIA { QString stReferencia; };
// The salesperson a version counts for (who requested it, else who included it), as the
// sales pipeline counts; empty for any.
struct TDADOSVENDEDOR { QString stVendedor; };

struct TFILTRO {
    TDATAAPROVACAO DATAAPROVACAO;
    TDATACADASTRO DATACADASTRO;
    TDATAVALIDADE DATAVALIDADE;
    TDADOSCLIENTE DADOSCLIENTE;
    TDADOSPROSPECT DADOSPROSPECT;
    TDADOSCONTATO DADOSCONTATO;
    TDADOSSTATUS DADOSSTATUS;
    TCONTRATOSTATUS CONTRATOSTATUS;
    TDADOSREFERENCIA DADOSREFERENCIA;
    TDADOSDECISAO DADOSDECISAO;
    TDADOSVENDEDOR DADOSVENDEDOR;
};

// The criteria as the server takes them ("T" = no restriction; empty dates are 0).
struct FilterArguments {
    QString stCliente = QStringLiteral("T"), stProspect = QStringLiteral("T"), stContato = QStringLiteral("T");
    QString stDataPro = QStringLiteral("T"), stDataAprov = QStringLiteral("T"), stDataVal = QStringLiteral("T");
    QDateTime dtCadastroDe, dtCadastroAte, dtAprovacaoDe, dtAprovacaoAte, dtValidaDe, dtValidaAte;
    QString stVencidas, stValida, stAvencer, stSubstituidas, stPerdidas;
    QString stContrato = QStringLiteral("T");
    QString stReferencia;
    QString stDecisao = QStringLiteral("T");
    QString stVendedor = QStringLiteral("T");
};

FilterArguments filterArguments(const TFILTRO& criteria);
// Contract code from the four contract boxes: "T", "M", "S", "L", "_M_S_", "_M_L_", "_L_S_";
// empty when no box is checked.
QString contractCode(const TCONTRATOSTATUS& contract);
// The 23 arguments of GetPropostaAux, in order.
QVariantList propostaAuxArguments(const FilterArguments& a, const QString& branch, const QString& operatorArgument);

}  // namespace cot::Cli_cot05002
