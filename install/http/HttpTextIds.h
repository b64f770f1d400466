#pragma once
// String-table ids of the HTTP client's library texts (range 256-511, cmake/StringTables.cmake).
#define IDS_HTTP_CANNOT_CREATE_FILE 256
#define IDS_HTTP_SOCKET_ERROR 257
#define IDS_HTTP_CONNECTION_CLOSED 258
#define IDS_HTTP_ERROR_CODE 259
#define IDS_HTTP_READ_TIMEOUT 260
#define IDS_HTTP_INVALID_STATUS_LINE 261
#define IDS_HTTP_HEAD_TOO_LARGE 262
#define IDS_HTTP_BAD_CHUNK 263
#define IDS_TLS_FAILURE 265
// Of the installation run, which starts the downloads.
#define IDS_INSTALL_NO_DRIVE 264
// Descriptions of Winsock error numbers, in the order of SocketErrorText's table.
#define IDS_WSA_FIRST 272
