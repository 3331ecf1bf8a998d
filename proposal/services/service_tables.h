#pragma once

namespace cot {
class ClientTable;

// Fields of the service tables.
namespace service_tables {
void serviceFields(ClientTable& t, bool withMandatoryMark);
void mandatoryServiceFields(ClientTable& t);
void objectiveFields(ClientTable& t);
void serviceInstallmentFields(ClientTable& t);
void dueDateFields(ClientTable& t);  // answers holding one due date
}  // namespace service_tables
}  // namespace cot
