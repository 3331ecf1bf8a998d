#pragma once
#include <QString>
#include <cstdio>
#include <functional>
#include <istream>

namespace cot::server {
struct ServerConfig;

// cot05000-server --set-password OPERATOR: reads the password and stores it.
// Returns the process exit code (0 stored, 1 refused or failed).
int runPasswordCommand(const ServerConfig& config);

// What --set-password reads for `operatorCode`. From a terminal: "Senha de X: ", then
// "Repita a senha: ", the typing hidden (hideTyping(true) before each line, false after);
// a password the rules refuse is told before the second question. From a pipe: one line,
// no questions. A line's end ("\n" or "\r\n") is not part of the password.
// Throws UserError ("As senhas não conferem.", the rules' text); nothing is stored then.
QString readNewPassword(std::istream& in, std::FILE* prompts, const QString& operatorCode, bool terminal,
                        const std::function<void(bool hidden)>& hideTyping = {});

}  // namespace cot::server
