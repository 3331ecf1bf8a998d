#include "server/admin/password_command.h"

#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "base/errors.h"
#include "base/password_rules.h"
#include "server/admin/backup_command.h"
#include "server/auth/password_admin.h"
#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

// One line, typed unseen on a terminal. The terminal gets its echo back whatever happens.
QString readLine(std::istream& in, std::FILE* prompts, const QString& question, bool terminal,
                 const std::function<void(bool)>& hideTyping) {
    if (terminal) {
        std::fputs(qPrintable(question), prompts);
        std::fflush(prompts);
        if (hideTyping) hideTyping(true);
    }
    std::string line;
    std::getline(in, line);
    if (terminal) {
        if (hideTyping) hideTyping(false);
        std::fputc('\n', prompts);  // the Enter typed was not echoed
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

// Echo off and on for standard input, as a terminal takes it.
void hideStdinTyping(bool hidden) {
    static termios saved{};
    static bool changed = false;
    if (hidden) {
        if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        changed = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    } else if (std::exchange(changed, false)) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
}

}  // namespace

QString readNewPassword(std::istream& in, std::FILE* prompts, const QString& operatorCode, bool terminal,
                        const std::function<void(bool hidden)>& hideTyping) {
    const QString password =
        readLine(in, prompts, QStringLiteral("Senha de %1: ").arg(operatorCode), terminal, hideTyping);
    if (const QString why = password_rules::breach(password); !why.isEmpty()) throw UserError(why);
    if (!terminal) return password;
    // Typed unseen, so typed twice: a slip would otherwise lock the operator out.
    if (readLine(in, prompts, QStringLiteral("Repita a senha: "), terminal, hideTyping) != password)
        throw UserError(QStringLiteral("As senhas não conferem."));
    return password;
}

int runPasswordCommand(const ServerConfig& config) {
    try {
        const QString password =
            readNewPassword(std::cin, stderr, config.passwordFor, isatty(STDIN_FILENO) == 1, hideStdinTyping);
        // An older database is copied first, as the server's own start does.
        if (backupBeforeMigrate(config) != 0) return 1;
        auto db = Database::open(config.databaseUrl);
        migrate(*db);
        setOperatorPassword(*db, config.passwordFor, password);
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
