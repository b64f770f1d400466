#pragma once
#include <string>

#include "IdHTTP.h"

// Fetches fileServer + serverPath into localFile (created, or emptied when it
// exists). Throws Failure with the text to show; the local file is closed in
// every outcome and never deleted here. With alsoTo, every block of the body
// goes there too once the file has taken it (a signed release hashes it).
void DownloadArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                     const std::wstring& localFile, TResponseSink* alsoTo = nullptr);
