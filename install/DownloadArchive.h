#pragma once
#include <windows.h>

#include <string>

#include "Failure.h"
#include "IdHTTP.h"
#include "UniqueHandle.h"

// Fetches fileServer + serverPath into localFile (created, or emptied when it
// exists). Throws Failure with the text to show; the local file is closed in
// every outcome and never deleted here.
void DownloadArchive(TIdHTTP& IdHTTP1, const std::wstring& fileServer, const std::wstring& serverPath,
                     const std::wstring& localFile);

// The parts of a download, for a caller that keeps the file open:
// CreateArchiveFile makes localFile anew, for reading and writing and shared
// with nobody; with OnClose::Delete also with DELETE access and marked for
// deletion before a byte is written, so that however the process ends the
// file goes with its handle until KeepWhenClosed (UniqueHandle.h) unmarks
// it (a file that cannot be marked is not used: Failure). DownloadInto
// fetches url into it. With alsoTo, every block of the body goes there too
// once the file has taken it (a signed release hashes it), and alsoTo
// learns each 2xx answer's head first. FetchInto is DownloadInto without
// the status check: the body of any 2xx answer goes to the file, where the
// file pointer stands, and the caller judges the status.
enum class OnClose { Keep, Delete };
UniqueFile CreateArchiveFile(const std::wstring& localFile, OnClose onClose = OnClose::Keep);
void DownloadInto(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TResponseSink* alsoTo = nullptr);
void FetchInto(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TResponseSink* alsoTo);

// "HTTP Error:" with the last answer's code and status line: the failure of
// an answer other than 200.
Failure HttpError(const TIdHTTP& IdHTTP1);
