#pragma once
// String-table ids of the library texts of signed releases (range 896-1023,
// cmake/StringTables.cmake): the archive signature check, the installation
// folder, archives beside Setup.exe and the proxy.
#define IDS_ARCHIVE_NOT_SIGNED 896
#define IDS_FOLDER_UNUSABLE 897
#define IDS_FOLDER_IS_LINK 898
#define IDS_FOLDER_NOT_OURS 899
#define IDS_FOLDER_OPEN_TO_OTHERS 900
#define IDS_FOLDER_FILE_NOT_OURS 901
#define IDS_PROXY_REFUSED 902
#define IDS_LOCAL_ARCHIVE_UNREADABLE 903
