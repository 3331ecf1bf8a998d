#include "server/auth/caller.h"

#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server {

bool Caller::seesAllProposals() {
    if (!seesAll_)
        seesAll_ = db_.scalar(QStringLiteral("SELECT COUNT(*) FROM AUTGRUPOP AU, OPERGRUPOP OP "
                                             "WHERE AU.IDAUTGRUPOP = 'PROP' AND OP.CDGRUPOPER = AU.CDGRUPOPER "
                                             "AND OP.CDOPERADOR = :OP"),
                                   {{"OP", operator_}})
                       .toInt() > 0;
    return *seesAll_;
}

bool Caller::worksIn(const QString& branch) {
    if (!branches_) {
        QStringList codes;
        const Packet p = db_.query(QStringLiteral("SELECT CDFILIAL FROM OPERFILI WHERE CDOPERADOR = :OP"),
                                   {{"OP", operator_}}, {{QStringLiteral("CDFILIAL"), FieldType::String, 4}});
        for (int r = 0; r < p.rows.size(); ++r) codes << p.value(r, QStringLiteral("CDFILIAL")).toString().trimmed();
        branches_ = codes;
    }
    return branches_->contains(branch.trimmed());
}

void Caller::requireBranch(const QString& branch) {
    if (!worksIn(branch))
        throw MethodError(QStringLiteral("O operador %1 não trabalha na filial %2.").arg(operator_, branch.trimmed()));
}

void Caller::requireSelf(const QString& operatorCode) {
    if (operatorCode.trimmed().compare(operator_, Qt::CaseInsensitive) != 0)
        throw MethodError(
            QStringLiteral("O operador %1 não pode agir como o operador %2.").arg(operator_, operatorCode.trimmed()));
}

void Caller::requireAllProposals() {
    if (!seesAllProposals())
        throw MethodError(
            QStringLiteral("O operador %1 não pode ver as propostas de todos os operadores da filial.").arg(operator_));
}

}  // namespace cot::server
