#pragma once

namespace cot::server {
class MethodRegistry;

// GetDataHoraServ: the server's date and time, for the desktop's "today".
void registerServerClockMethods(MethodRegistry& registry);
}  // namespace cot::server
