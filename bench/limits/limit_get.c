// Bare download: one HTTP/1.1 GET on a plain Winsock socket, the body read
// 1 MiB at a time and each piece written to the file with WriteFile as it
// comes. No library, no progress, no parsing beyond Content-Length: what a
// download costs on this system before any client code.
// Usage: limit_get HOST PORT PATH FILE [-recv N] [-select] [-poll]
//   FILE "-": the body is received and dropped, nothing is written (NUL
//   would cost a trip through the Wine server for every write)
//   -recv N    ask recv for at most N bytes at a time (default 1 MiB)
//   -select    wait in select() for the socket before each recv, as an
//              event-driven client does
//   -poll      a non-blocking socket that asks select() without waiting
//              whether more is to be read after each recv, and waits in
//              select() only when nothing is: the pattern of libcurl's
//              transfer loop
// Prints "bytes N seconds S recvs N cpu S" (cpu: the process's processor time).
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

enum { kRead = 1 << 20 };

static int Fail(const char* what, unsigned long error) {
    fprintf(stderr, "limit_get: %s failed (%lu)\n", what, error);
    return 1;
}

static int WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, (DWORD)size, &written, NULL) || written == 0) return 0;
        data += written;
        size -= written;
    }
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: limit_get HOST PORT PATH FILE [-recv N] [-select]\n");
        return 2;
    }
    int piece = kRead, wait = 0, poll = 0;
    for (int i = 5; i < argc; ++i) {
        if (!wcscmp(argv[i], L"-recv") && i + 1 < argc)
            piece = _wtoi(argv[++i]);
        else if (!wcscmp(argv[i], L"-select"))
            wait = 1;
        else if (!wcscmp(argv[i], L"-poll"))
            poll = 1;
        else
            return Fail("unknown option", 0);
    }
    if (piece <= 0 || piece > kRead) return Fail("-recv", 0);
    char host[256], path[1024];
    WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, host, sizeof host, NULL, NULL);
    WideCharToMultiByte(CP_UTF8, 0, argv[3], -1, path, sizeof path, NULL, NULL);
    const unsigned short port = (unsigned short)_wtoi(argv[2]);
    char* buffer = malloc(kRead);
    if (!buffer) return Fail("malloc", 0);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return Fail("WSAStartup", 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return Fail("socket", WSAGetLastError());
    struct sockaddr_in to = {0};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = inet_addr(host);
    if (connect(s, (struct sockaddr*)&to, sizeof to) != 0) return Fail("connect", WSAGetLastError());
    const int drop = !wcscmp(argv[4], L"-");
    HANDLE file = drop ? INVALID_HANDLE_VALUE
                       : CreateFileW(argv[4], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (!drop && file == INVALID_HANDLE_VALUE) return Fail("CreateFileW", GetLastError());

    char request[1400];
    const int length = snprintf(request, sizeof request, "GET %s HTTP/1.1\r\nHost: %s:%u\r\nConnection: close\r\n\r\n",
                                path, host, port);
    if (send(s, request, length, 0) != length) return Fail("send", WSAGetLastError());

    // The head: read until its blank line; what follows it is body.
    size_t have = 0;
    char* body = NULL;
    while (!body) {
        const int got = recv(s, buffer + have, (int)(kRead - 1 - have), 0);
        if (got <= 0) return Fail("recv (head)", WSAGetLastError());
        have += (size_t)got;
        buffer[have] = 0;
        body = strstr(buffer, "\r\n\r\n");
    }
    body += 4;
    const char* field = strstr(buffer, "Content-Length:");
    if (!field || field > body) return Fail("Content-Length", 0);
    const long long expected = _atoi64(field + 15);
    long long received = (long long)(buffer + have - body);
    if (!drop && !WriteAll(file, body, (size_t)received)) return Fail("WriteFile", GetLastError());
    long long recvs = 0;
    u_long nonblocking = 1;
    if (poll && ioctlsocket(s, FIONBIO, &nonblocking) != 0) return Fail("ioctlsocket", WSAGetLastError());
    int ready = 1;  // -poll: whether the last check found more to read
    while (received < expected) {
        if (wait || (poll && !ready)) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            if (select(0, &readable, NULL, NULL, NULL) != 1) return Fail("select", WSAGetLastError());
        }
        const int got = recv(s, buffer, piece, 0);
        ++recvs;
        if (poll && got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            ready = 0;
            continue;
        }
        if (got <= 0) return Fail("recv", WSAGetLastError());
        if (poll) {
            fd_set readable, failed;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            FD_ZERO(&failed);
            FD_SET(s, &failed);
            struct timeval now = {0, 0};
            ready = select(0, &readable, NULL, &failed, &now) > 0;
        }
        if (!drop && !WriteAll(file, buffer, (size_t)got)) return Fail("WriteFile", GetLastError());
        received += got;
    }
    if (!drop) CloseHandle(file);
    closesocket(s);
    WSACleanup();

    QueryPerformanceCounter(&end);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    printf("bytes %lld seconds %.3f recvs %lld cpu %.3f\n", received,
           (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart, recvs,
           ((double)(((ULONGLONG)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime) +
            (double)(((ULONGLONG)user.dwHighDateTime << 32) | user.dwLowDateTime)) /
               1e7);
    return received == expected ? 0 : 1;
}
