#pragma once
// Failure texts of the HTTP client, loaded from the string table.
#include <string>

// The description of a Winsock error number; empty for a number without one.
std::wstring SocketErrorText(int number);

// "Socket Error # <number>" and, on a second line, its description.
std::wstring SocketErrorMessage(int number);
