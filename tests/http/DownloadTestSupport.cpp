#include "DownloadTestSupport.h"

#include <windows.h>
