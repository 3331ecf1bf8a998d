#pragma once
#include <QString>

namespace cot::server {

// --log FILE: the server's standard error (the request log, its own messages and the
// libraries') appended to FILE, which logrotate may move away: reopen() (on SIGHUP) starts
// a new FILE under the same name.
class LogFile {
public:
    // Opens (creates with mode 0640) `path` for appending; throws ConfigError when it
    // cannot, so a start with a log it cannot write fails before anything else.
    explicit LogFile(QString path);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // From now on standard error goes to the file.
    void takeStandardError();
    // Opens the name again and moves standard error there; keeps the old file when the
    // new one cannot be opened (and says so in it). False in that case.
    bool reopen();

    const QString& path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    bool redirected_ = false;
};

}  // namespace cot::server
