#pragma once

namespace cot::server {
struct ServerConfig;

// cot05000-server --set-password OPERATOR: reads the password and stores it.
// Returns the process exit code (0 stored, 1 refused or failed).
int runPasswordCommand(const ServerConfig& config);

}  // namespace cot::server
