#include "dialogs/filter_words.h"

#include <QDate>

namespace cot::Cli_cot05002 {

namespace {

QString day(const QDateTime& d) { return d.date().toString(QStringLiteral("dd/MM/yyyy")); }

// A period restricts only when its start is set (filterArguments reads it so).
void period(QStringList& out, const char* name, const QDateTime& from, const QDateTime& to) {
    if (!from.isValid()) return;
    const QString what = QString::fromUtf8(name);
    out << (to.isValid() ? QStringLiteral("%1 de %2 a %3").arg(what, day(from), day(to))
                         : QStringLiteral("%1 a partir de %2").arg(what, day(from)));
}

// How many codes a selection text holds ('a','b' → 2).
int chosen(const QString& selection) { return selection.isEmpty() ? 0 : int(selection.count(u',')) + 1; }

void selection(QStringList& out, bool restricted, const QString& codes, const char* one, const char* many) {
    if (!restricted || codes.isEmpty()) return;
    const int n = chosen(codes);
    out << (n == 1 ? QString::fromUtf8(one) : QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(many)));
}

}  // namespace

QStringList filterWords(const TFILTRO& f) {
    QStringList out;
    period(out, "cadastro", f.DATACADASTRO.dtInicial, f.DATACADASTRO.dtFinal);
    // The pipeline's "Aceita" asks for any approval date: said as such.
    const TDATAAPROVACAO& approval = f.DATAAPROVACAO;
    if (approval.dtInicial.isValid() && approval.dtInicial.date() <= QDate(1900, 1, 1) &&
        approval.dtFinal.isValid() && approval.dtFinal.date() >= QDate(2999, 12, 31))
        out << QStringLiteral("aceitas");
    else
        period(out, "aprovação", approval.dtInicial, approval.dtFinal);
    period(out, "validade", f.DATAVALIDADE.dtInicial, f.DATAVALIDADE.dtFinal);

    const FilterArguments a = filterArguments(f);
    QStringList statuses;
    if (!a.stVencidas.isEmpty()) statuses << QStringLiteral("Vencidas");
    if (!a.stValida.isEmpty()) statuses << QStringLiteral("Válidas");
    if (!a.stAvencer.isEmpty()) statuses << QStringLiteral("A Vencer");
    if (!a.stSubstituidas.isEmpty()) statuses << QStringLiteral("Substituídas");
    if (!a.stPerdidas.isEmpty()) statuses << QStringLiteral("Perdidas");
    if (!statuses.isEmpty()) out << QStringLiteral("situação: ") + statuses.join(QStringLiteral(", "));

    if (a.stDecisao == QLatin1String("A")) out << QStringLiteral("aceitas pelo cliente");
    if (a.stDecisao == QLatin1String("R")) out << QStringLiteral("recusadas pelo cliente");
    if (a.stDecisao == QLatin1String("N")) out << QStringLiteral("sem decisão do cliente");

    selection(out, f.DADOSCLIENTE.boTodosCliente, f.DADOSCLIENTE.stCliente, "1 cliente", "clientes");
    selection(out, f.DADOSPROSPECT.boTodosProspect, f.DADOSPROSPECT.stProspect, "1 prospect", "prospects");
    selection(out, f.DADOSCONTATO.boTodosContato, f.DADOSCONTATO.stContato, "1 contato", "contatos");

    if (a.stContrato != QLatin1String("T")) {
        QStringList kinds;
        if (f.CONTRATOSTATUS.boLuManut) kinds << QStringLiteral("Lu/Manutenção");
        if (f.CONTRATOSTATUS.boServico) kinds << QStringLiteral("Serviço");
        if (f.CONTRATOSTATUS.boLocacao) kinds << QStringLiteral("Locação");
        out << QStringLiteral("contrato: ") + kinds.join(QStringLiteral(", "));
    }
    const QString reference = f.DADOSREFERENCIA.stReferencia.trimmed();
    if (!reference.isEmpty()) out << QStringLiteral("referência contém \"%1\"").arg(reference);
    if (a.stVendedor != QLatin1String("T")) out << QStringLiteral("vendedor %1").arg(a.stVendedor);
    return out;
}

}  // namespace cot::Cli_cot05002
