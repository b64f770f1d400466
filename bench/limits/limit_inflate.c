// Bare decoding: inflates the first entry of a ZIP archive (Deflated) with
// zlib, reading the archive 1 MiB at a time and checking the CRC-32, into a
// 256 KiB buffer that is thrown away; with -out each full buffer is also
// written to a file. Tells what decoding alone costs, and what decoding plus
// the write path costs on one thread, apart from any archive reader.
// Usage: limit_inflate ARCHIVE [-nocrc] [-out FILE]
// Prints the total seconds and the seconds spent in ReadFile, inflate,
// crc32 and WriteFile.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <zlib.h>

enum { kIn = 1 << 20, kOut = 256 << 10 };

static LARGE_INTEGER frequency;
static double Now(void) {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)frequency.QuadPart;
}

static uint32_t U16(const unsigned char* p) { return p[0] | p[1] << 8; }
static uint32_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }

static int ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size, DWORD* got) {
    OVERLAPPED at = {0};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    *got = 0;
    return ReadFile(file, buffer, size, got, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

static int Fail(const char* what) {
    fprintf(stderr, "limit_inflate: %s\n", what);
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: limit_inflate ARCHIVE [-nocrc] [-out FILE]\n");
        return 2;
    }
    int check = 1;
    const wchar_t* outName = NULL;
    for (int i = 2; i < argc; ++i) {
        if (!wcscmp(argv[i], L"-nocrc")) check = 0;
        else if (!wcscmp(argv[i], L"-out") && i + 1 < argc) outName = argv[++i];
        else return Fail("unknown option");
    }
    QueryPerformanceFrequency(&frequency);
    HANDLE archive = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (archive == INVALID_HANDLE_VALUE) return Fail("cannot open the archive");
    LARGE_INTEGER archiveSize;
    GetFileSizeEx(archive, &archiveSize);

    // The end record (no comment) names the central directory; its first
    // header names the entry's sizes and local header.
    unsigned char head[64];
    DWORD got;
    if (!ReadAt(archive, (uint64_t)archiveSize.QuadPart - 22, head, 22, &got) || got != 22 || U32(head) != 0x06054b50)
        return Fail("no end of central directory record (archive with a comment?)");
    const uint32_t central = U32(head + 16);
    if (!ReadAt(archive, central, head, 46, &got) || got != 46 || U32(head) != 0x02014b50)
        return Fail("no central directory header");
    const uint32_t method = U16(head + 10), crcWanted = U32(head + 16), packed = U32(head + 20),
                   size = U32(head + 24), local = U32(head + 42);
    if (method != 8) return Fail("the first entry is not Deflated");
    if (packed == 0xFFFFFFFFu || size == 0xFFFFFFFFu) return Fail("ZIP64 sizes are not read here");
    if (!ReadAt(archive, local, head, 30, &got) || got != 30 || U32(head) != 0x04034b50)
        return Fail("no local header");
    uint64_t at = (uint64_t)local + 30 + U16(head + 26) + U16(head + 28);

    HANDLE out = INVALID_HANDLE_VALUE;
    if (outName) {
        out = CreateFileW(outName, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (out == INVALID_HANDLE_VALUE) return Fail("cannot create the output file");
    }
    unsigned char* in = malloc(kIn);
    unsigned char* decoded = malloc(kOut);
    z_stream z = {0};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Fail("inflateInit2");

    double tRead = 0, tInflate = 0, tCrc = 0, tWrite = 0;
    const double start = Now();
    uint64_t left = packed, produced = 0;
    uint32_t crc = crc32(0, NULL, 0);
    int status = Z_OK;
    z.next_out = decoded;
    z.avail_out = kOut;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0 && left > 0) {
            double t = Now();
            const DWORD want = left < kIn ? (DWORD)left : kIn;
            if (!ReadAt(archive, at, in, want, &got) || got != want) return Fail("archive read failed");
            tRead += Now() - t;
            at += got;
            left -= got;
            z.next_in = in;
            z.avail_in = got;
        }
        double t = Now();
        status = inflate(&z, Z_NO_FLUSH);
        tInflate += Now() - t;
        if (status != Z_OK && status != Z_STREAM_END) return Fail("damaged data");
        if (z.avail_out == 0 || status == Z_STREAM_END) {
            const DWORD n = kOut - z.avail_out;
            if (check) {
                t = Now();
                crc = crc32(crc, decoded, n);
                tCrc += Now() - t;
            }
            if (out != INVALID_HANDLE_VALUE && n > 0) {
                t = Now();
                DWORD written;
                if (!WriteFile(out, decoded, n, &written, NULL) || written != n) return Fail("write failed");
                tWrite += Now() - t;
            }
            produced += n;
            z.next_out = decoded;
            z.avail_out = kOut;
        }
    }
    inflateEnd(&z);
    if (out != INVALID_HANDLE_VALUE) {
        const double t = Now();
        CloseHandle(out);
        tWrite += Now() - t;
    }
    const double total = Now() - start;
    if (produced != size) return Fail("size differs from the central directory");
    if (check && crc != crcWanted) return Fail("CRC-32 differs");
    printf("bytes %llu seconds %.3f read %.3f inflate %.3f crc %.3f write %.3f\n", (unsigned long long)produced, total,
           tRead, tInflate, tCrc, tWrite);
    return 0;
}
