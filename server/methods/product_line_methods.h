#pragma once
// The write and check side of the product lines: the lines themselves, their systems
// and their licence installments. Arguments and results are described in each source.
#include <QString>
#include <QVariant>

#include "data/packet.h"

namespace cot::server {
class MethodRegistry;

// PrxLinhaProd, SetLinProd, ValidaLinhaProd, GetVdLinProd, GetVdQtPtoAcesso, ValidaContrato.
void registerProductLineWriteMethods(MethodRegistry& registry);
// GetSistema, InsereSistema, SetSistema.
void registerSystemMethods(MethodRegistry& registry);
// SetVencimento, ValidaVenc, GetMinDtVenc.
void registerInstallmentMethods(MethodRegistry& registry);
// SetTipoContrato: the contract switch with every line converted, in one transaction.
void registerContractSwitchMethods(MethodRegistry& registry);

namespace lines {

// A column of a change, coerced to the delta field's type; null when the delta lacks it.
inline QVariant cell(const Delta& delta, const QVariantList& values, int index) {
    if (index < 0 || index >= values.size()) return {};
    return coerceValue(values.at(index), delta.fields.at(index).type);
}
inline QString cellText(const Delta& delta, const QVariantList& values, int index) {
    return cell(delta, values, index).toString().trimmed();
}
// Whether an update changes the column (an insert changes every column it carries).
inline bool changes(const Delta& delta, const RowChange& change, int index) {
    if (index < 0) return false;
    if (change.op == ChangeOp::Insert) return true;
    const QVariant a = cell(delta, change.oldValues, index), b = cell(delta, change.newValues, index);
    return a.isNull() != b.isNull() || a != b;
}

}  // namespace lines
}  // namespace cot::server
