#include "server/admin/password_command.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "base/errors.h"
#include "server/auth/password_admin.h"
#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"

namespace cot::server {

// --set-password: one line from standard input (not echoed on a terminal).
int runPasswordCommand(const ServerConfig& config) {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "Senha de %s: ", qPrintable(config.passwordFor));
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
        auto db = Database::open(config.databaseUrl);
        migrate(*db);
        setOperatorPassword(*db, config.passwordFor, QString::fromStdString(line));
    } catch (const cot::UserError& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(e.text()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", e.what());
        return 1;
    }
    std::printf("cot05000-server: senha do operador %s gravada; as sessões dele foram encerradas.\n",
                qPrintable(config.passwordFor));
    return 0;
}

}  // namespace cot::server
