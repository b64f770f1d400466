#include "CurlLibrary.h"

#include <curl/curl.h>

CurlLibrary::CurlLibrary() : started_(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK) {}

CurlLibrary::~CurlLibrary() {
    if (started_) curl_global_cleanup();
}
