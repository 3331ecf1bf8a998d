#include "proposal_package.h"

namespace cot::testing {

QVariant proposalPackageValue(const Packet& list, const QString& number, const QString& version) {
    for (int r = 0; r < list.rows.size(); ++r)
        if (list.value(r, "NRPROPOSFAS").toString() == number && list.value(r, "NRVERPROPFAS").toString() == version)
            return list.value(r, "VRPACOTESERV");
    return {};
}

Delta proposalPackageChange(const QString& number, const QString& version, double oldValue, double newValue) {
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20},
                                 {"NRVERPROPFAS", FieldType::String, 2},
                                 {"VRPACOTESERV", FieldType::Float, 0}};
    return Delta{fields, {{ChangeOp::Update, {number, version, oldValue}, {number, version, newValue}}}};
}

}  // namespace cot::testing
