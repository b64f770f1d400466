#pragma once
// Fills a printf-style format (%s, %d, %x with optional width and precision,
// %% for a percent sign) from a list of arguments, in order. Library texts are
// looked up in the catalogue as formats and filled in afterwards, so the
// format itself is data and must never be trusted to match the arguments:
// a directive without an argument is left out, surplus arguments are ignored.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

using FormatArg = std::variant<std::int64_t, std::wstring>;

std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args);
