#pragma once
// String-table ids of the library texts of signed releases (range 896-1023):
// the archive signature check and the TLS connection to the file server.
#define IDS_ARCHIVE_NOT_SIGNED 896
#define IDS_TLS_FAILURE 898
