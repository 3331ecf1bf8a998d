#include "server/rpc/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "server/rpc/server_config.h"

namespace cot::server {

namespace {

int openForAppend(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
}

}  // namespace

LogFile::LogFile(QString path) : path_(std::move(path)) {
    fd_ = openForAppend(path_);
    if (fd_ < 0)
        throw ConfigError(QStringLiteral("Não foi possível abrir o arquivo de log %1: %2.")
                              .arg(path_, QString::fromLocal8Bit(std::strerror(errno)))
                              .toStdString());
}

LogFile::~LogFile() {
    if (fd_ >= 0) ::close(fd_);
}

void LogFile::takeStandardError() {
    std::fflush(stderr);
    // dup2 swaps the descriptor in one step: a line being written goes whole to one file.
    if (::dup2(fd_, STDERR_FILENO) >= 0) redirected_ = true;
}

bool LogFile::reopen() {
    const int fresh = openForAppend(path_);
    if (fresh < 0) {
        std::fprintf(stderr, "cot05000-server: não foi possível reabrir o arquivo de log %s: %s; "
                             "continuo no arquivo anterior.\n",
                     qPrintable(path_), std::strerror(errno));
        return false;
    }
    ::close(std::exchange(fd_, fresh));
    if (redirected_) takeStandardError();
    return true;
}

}  // namespace cot::server
