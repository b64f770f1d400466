#pragma once
// The download of a signed release's archive over a connection that may
// break: when a transfer breaks off (reset, closed before its length, silent
// for the read time-out, a 5xx answer) it tries again, asking with Range
// and If-Range for the rest of the file only (RFC 9110), and takes a 206
// only when it continues exactly the bytes the file holds. Anything else
// that a server sends back starts the file over from its first byte; the
// signature checked afterwards covers the whole file in any case.
#include <windows.h>

#include <chrono>
#include <string>

#include "IdHTTP.h"

// Takes the body's bytes in file order, as the file takes them. StartOver:
// the file was emptied, and its bytes come again from the first.
class TRestartableSink : public TResponseSink {
public:
    virtual void StartOver() = 0;

protected:
    ~TRestartableSink() = default;
};

// The first try and at most this many more.
inline constexpr int kFurtherTries = 3;

// Fetches url into file (empty, open for reading and writing, shared with
// nobody) as DownloadInto does, handing the bytes to alsoTo as well. A try
// that breaks off is followed by another after firstPause, then twice and
// four times as long, with the window's busy hook called meanwhile; a
// server that cannot be reached at the first try ends the download at once.
// The progress events describe the whole file: one begin, counts from its
// first byte across tries, one end. After the last try: Failure with the
// last try's text. Every other failure ends the download at once, as
// DownloadInto's would. The file stays open; the caller deletes it.
void DownloadResuming(TIdHTTP& IdHTTP1, const std::wstring& url, HANDLE file, TRestartableSink& alsoTo,
                      std::chrono::milliseconds firstPause);
