#pragma once
#include <sys/types.h>

#include <QString>
#include <stdexcept>

namespace cot::server {

// A backup or restore that could not be done; the text is Portuguese, for the operator.
class FileCopyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whole-file operations on a SQLite database, through SQLite's online backup so that a
// database in use is copied as one consistent picture.
namespace sqlite_files {

// Copies the database at `source` (servers may go on writing) into `target`. The copy is
// written beside the target (readable by its owner only, mode 0600, from its first byte),
// checked, and only then takes the target's name.
void backup(const QString& source, const QString& target);

// Replaces the database at `target` with the backup at `source`, once the backup passes
// the integrity check and its schema is not newer than `latestSchema`. Refused while a
// server uses the target, and before anything is touched when the target belongs to
// another user and this process is not root. The target keeps its owner, group and mode.
void restore(const QString& source, const QString& target, int latestSchema);

// Why a process running as `runningAs` must not restore over a database owned by `owner`
// (named `ownerName`); empty when it may: root, or the owner itself.
QString restoreOwnerRefusal(uid_t runningAs, uid_t owner, const QString& ownerName);

// The schema version recorded in the database at `path`: 0 when it has none (a new or
// foreign file), -1 when there is no such file or it cannot be read.
int schemaVersion(const QString& path);

// Held by a server for as long as it uses the database at `path`: restore() refuses to
// overwrite it meanwhile (an advisory lock on "<path>.uso").
class UseLock {
public:
    explicit UseLock(const QString& path);
    ~UseLock();
    UseLock(const UseLock&) = delete;
    UseLock& operator=(const UseLock&) = delete;
    // False when the lock file could not be opened (made by another user, unreadable):
    // restore() then cannot see this server.
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace sqlite_files
}  // namespace cot::server
