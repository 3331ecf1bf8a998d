#pragma once

namespace cot::server {
struct ServerConfig;

// cot05000-server --import FOLDER / --export FOLDER: the registers in and out as CSV files.
// Returns the process exit code: 0 done (a summary on standard output), 1 refused or failed
// (the reasons on standard error; an import then writes nothing).
int runRegisterCommand(const ServerConfig& config);

}  // namespace cot::server
