#pragma once
// String-table ids of the message dialogs' library texts (range 1024-1279, cmake/StringTables.cmake).
#define IDS_DIALOG_YES 1024
#define IDS_DIALOG_NO 1025
