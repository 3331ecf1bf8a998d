#pragma once

namespace cot {
class ClientDataSet;

// Fields of the service tables.
namespace service_tables {
void serviceFields(ClientDataSet& t, bool withMandatoryMark);
void mandatoryServiceFields(ClientDataSet& t);
void objectiveFields(ClientDataSet& t);
void serviceInstallmentFields(ClientDataSet& t);
void dueDateFields(ClientDataSet& t);  // answers holding one due date
}  // namespace service_tables
}  // namespace cot
