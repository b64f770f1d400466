#pragma once
// The one way a failure travels: an exception that carries one message text,
// composed where the failure is found and shown unchanged in the error box.
#include <exception>
#include <string>
#include <utility>

class Failure : public std::exception {
public:
    explicit Failure(std::wstring message) : message_(std::move(message)) {}
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return "Setup failure"; }

private:
    std::wstring message_;
};

// The message of the failure being handled (call it inside a catch block),
// whatever its kind: a Failure's own text, a standard exception's what() in
// the system's code page, else empty.
std::wstring CurrentFailureText();
