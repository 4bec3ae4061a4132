#pragma once
// A fault in the script itself: reported as `SCRIPT <line> <message>`, exit status 2.
#include <QString>
#include <exception>
#include <string>

namespace quendarx::host {

class ScriptError : public std::exception {
public:
    explicit ScriptError(QString message) : message_(std::move(message)), what_(message_.toStdString()) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    QString message_;
    std::string what_;
};

} // namespace quendarx::host
