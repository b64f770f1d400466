#pragma once
#include <string>

// The message of the failure being handled (inside a catch block), whatever
// its kind: a Failure's own text, a standard exception's what(), else empty.
std::wstring CurrentFailureText();
