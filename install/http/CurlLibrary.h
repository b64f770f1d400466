#pragma once
// libcurl's global state for the life of the program: curl_global_init
// (CURL_GLOBAL_ALL) at construction, curl_global_cleanup at destruction.
// libcurl asks for both to be called once, while no other thread runs, and
// before and after every other libcurl call; without them it initialises
// itself implicitly on first use and never cleans up. Each TIdHTTP holds one
// from its first request on (on the UI thread; calls nest); test programs
// that use the client hold one for their whole run.
class CurlLibrary {
public:
    CurlLibrary();
    ~CurlLibrary();
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;

private:
    // A failed init is not cleaned up; libcurl then tries again on first use.
    bool started_ = false;
};
