#pragma once
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
// written beside the target, checked, and only then takes the target's name.
void backup(const QString& source, const QString& target);

// Replaces the database at `target` with the backup at `source`, once the backup passes
// the integrity check and its schema is not newer than `latestSchema`. Refused while a
// server uses the target.
void restore(const QString& source, const QString& target, int latestSchema);

// Held by a server for as long as it uses the database at `path`: restore() refuses to
// overwrite it meanwhile (an advisory lock on "<path>.uso").
class UseLock {
public:
    explicit UseLock(const QString& path);
    ~UseLock();
    UseLock(const UseLock&) = delete;
    UseLock& operator=(const UseLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace sqlite_files
}  // namespace cot::server
