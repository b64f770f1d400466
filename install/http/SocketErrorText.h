#pragma once
// Texts for Winsock error numbers, loaded from the string table (library
// texts); the operating system's own texts for its error codes come from
// SystemErrorText (common/).
#include <string>

// The description of a Winsock error number; empty for a number without one.
std::wstring SocketErrorText(int number);

// "Socket Error # <number>" and, on a second line, its description.
std::wstring SocketErrorMessage(int number);
