#pragma once
// String-table ids of the library texts of signed releases (range 896-1023):
// the archive signature check.
#define IDS_ARCHIVE_NOT_SIGNED 896
