#pragma once
// String-table ids of the shell and registry texts (range 768-895, cmake/StringTables.cmake).
#define IDS_REG_GET_DATA_FAILED 768
#define IDS_REG_INVALID_TYPE 769
#define IDS_OLE_ERROR 770
#define IDS_INTERFACE_NOT_SUPPORTED 771
