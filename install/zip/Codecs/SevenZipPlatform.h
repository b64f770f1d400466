#pragma once
// 7-Zip's coder interfaces build on COM's IUnknown and PROPVARIANT. On Windows
// those come from the OLE headers, which the lean Windows headers leave out;
// include this before any 7-Zip header.
#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#endif
