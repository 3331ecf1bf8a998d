#pragma once
#include <QString>
#include <stdexcept>

namespace cot {

// Ends the current operation silently: whoever raised it has already told the user.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Abort"; }
};

// An error meant for the user, with its (Portuguese) text already resolved.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// An error reported by the application server (JSON-RPC error or failed connection).
class ServerError : public UserError {
public:
    ServerError(const QString& text, int code = 0) : UserError(text), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

}  // namespace cot
