// Bare decoding: inflates the first entry of a ZIP archive (Deflated) with
// zlib, reading the archive 1 MiB at a time and checking the CRC-32, into a
// 256 KiB buffer that is thrown away; with -out each full buffer is also
// written to a file; with -all every entry is decoded, one after the other.
// Tells what decoding alone costs, and what decoding plus the write path
// costs on one thread, apart from any archive reader.
// Usage: limit_inflate ARCHIVE [-nocrc] [-seek] [-all | -out FILE]
//   -seek: reads by SetFilePointerEx + ReadFile instead of ReadFile with an
//          OVERLAPPED offset
// Prints the total seconds, the thread's processor time (cpu) and the
// seconds spent in ReadFile, inflate, crc32 and WriteFile.
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

static double ThreadCpu(void) {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return ((double)(((ULONGLONG)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime) +
            (double)(((ULONGLONG)user.dwHighDateTime << 32) | user.dwLowDateTime)) /
           1e7;
}

static uint32_t U16(const unsigned char* p) { return p[0] | p[1] << 8; }
static uint32_t U32(const unsigned char* p) { return U16(p) | U16(p + 2) << 16; }

static int seekFirst;  // -seek: position with SetFilePointerEx, then a plain ReadFile

static int ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size, DWORD* got) {
    *got = 0;
    if (seekFirst) {
        LARGE_INTEGER to;
        to.QuadPart = (LONGLONG)offset;
        return SetFilePointerEx(file, to, NULL, FILE_BEGIN) && ReadFile(file, buffer, size, got, NULL);
    }
    OVERLAPPED at = {0};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    return ReadFile(file, buffer, size, got, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

static int Fail(const char* what) {
    fprintf(stderr, "limit_inflate: %s\n", what);
    return 1;
}

typedef struct {
    double read, inflate, crc, write;
} Spent;

static unsigned char* in;
static unsigned char* decoded;
static z_stream z;

// Decodes one entry whose central directory header is at cd; returns an
// error text or NULL.
static const char* DecodeEntry(HANDLE archive, const unsigned char* cd, int check, HANDLE out, Spent* spent,
                               uint64_t* produced) {
    const uint32_t method = U16(cd + 10), crcWanted = U32(cd + 16), packed = U32(cd + 20), size = U32(cd + 24),
                   local = U32(cd + 42);
    if (method != 8) return "an entry is not Deflated";
    if (packed == 0xFFFFFFFFu || size == 0xFFFFFFFFu || local == 0xFFFFFFFFu) return "ZIP64 sizes are not read here";
    unsigned char head[30];
    DWORD got;
    if (!ReadAt(archive, local, head, 30, &got) || got != 30 || U32(head) != 0x04034b50) return "no local header";
    uint64_t at = (uint64_t)local + 30 + U16(head + 26) + U16(head + 28);
    if (inflateReset(&z) != Z_OK) return "inflateReset";

    uint64_t left = packed, made = 0;
    uint32_t crc = crc32(0, NULL, 0);
    int status = Z_OK;
    z.avail_in = 0;
    z.next_out = decoded;
    z.avail_out = kOut;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) return "data ends early";
            double t = Now();
            const DWORD want = left < kIn ? (DWORD)left : kIn;
            if (!ReadAt(archive, at, in, want, &got) || got != want) return "archive read failed";
            spent->read += Now() - t;
            at += got;
            left -= got;
            z.next_in = in;
            z.avail_in = got;
        }
        double t = Now();
        status = inflate(&z, Z_NO_FLUSH);
        spent->inflate += Now() - t;
        if (status != Z_OK && status != Z_STREAM_END) return "damaged data";
        if (z.avail_out == 0 || status == Z_STREAM_END) {
            const DWORD n = kOut - z.avail_out;
            if (check) {
                t = Now();
                crc = crc32(crc, decoded, n);
                spent->crc += Now() - t;
            }
            if (out != INVALID_HANDLE_VALUE && n > 0) {
                t = Now();
                DWORD written;
                if (!WriteFile(out, decoded, n, &written, NULL) || written != n) return "write failed";
                spent->write += Now() - t;
            }
            made += n;
            z.next_out = decoded;
            z.avail_out = kOut;
        }
    }
    if (made != size) return "size differs from the central directory";
    if (check && crc != crcWanted) return "CRC-32 differs";
    *produced += made;
    return NULL;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: limit_inflate ARCHIVE [-nocrc] [-seek] [-all | -out FILE]\n");
        return 2;
    }
    int check = 1, all = 0;
    const wchar_t* outName = NULL;
    for (int i = 2; i < argc; ++i) {
        if (!wcscmp(argv[i], L"-nocrc"))
            check = 0;
        else if (!wcscmp(argv[i], L"-all"))
            all = 1;
        else if (!wcscmp(argv[i], L"-seek"))
            seekFirst = 1;
        else if (!wcscmp(argv[i], L"-out") && i + 1 < argc)
            outName = argv[++i];
        else
            return Fail("unknown option");
    }
    QueryPerformanceFrequency(&frequency);
    HANDLE archive = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (archive == INVALID_HANDLE_VALUE) return Fail("cannot open the archive");
    LARGE_INTEGER archiveSize;
    GetFileSizeEx(archive, &archiveSize);

    // The end record (no comment) names the central directory, read whole.
    unsigned char end[22];
    DWORD got;
    if (!ReadAt(archive, (uint64_t)archiveSize.QuadPart - 22, end, 22, &got) || got != 22 || U32(end) != 0x06054b50)
        return Fail("no end of central directory record (archive with a comment?)");
    const uint32_t entries = U16(end + 10), cdSize = U32(end + 12), cdOffset = U32(end + 16);
    unsigned char* cd = malloc(cdSize);
    if (!ReadAt(archive, cdOffset, cd, cdSize, &got) || got != cdSize) return Fail("cannot read the central directory");

    HANDLE out = INVALID_HANDLE_VALUE;
    if (outName) {
        out = CreateFileW(outName, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (out == INVALID_HANDLE_VALUE) return Fail("cannot create the output file");
    }
    in = malloc(kIn);
    decoded = malloc(kOut);
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Fail("inflateInit2");

    Spent spent = {0, 0, 0, 0};
    uint64_t produced = 0;
    uint32_t decodedEntries = 0;
    const double start = Now(), cpuStart = ThreadCpu();
    size_t at = 0;
    for (uint32_t i = 0; i < (all ? entries : 1); ++i) {
        if (at + 46 > cdSize || U32(cd + at) != 0x02014b50) return Fail("damaged central directory");
        const unsigned char* header = cd + at;
        at += 46 + U16(header + 28) + U16(header + 30) + U16(header + 32);
        if (U32(header + 24) == 0 && U16(header + 10) == 0) continue;  // a folder
        const char* error = DecodeEntry(archive, header, check, out, &spent, &produced);
        if (error) return Fail(error);
        ++decodedEntries;
    }
    if (out != INVALID_HANDLE_VALUE) {
        const double t = Now();
        CloseHandle(out);
        spent.write += Now() - t;
    }
    const double total = Now() - start, cpu = ThreadCpu() - cpuStart;
    inflateEnd(&z);
    printf("entries %lu bytes %llu seconds %.3f cpu %.3f read %.3f inflate %.3f crc %.3f write %.3f\n",
           (unsigned long)decodedEntries, (unsigned long long)produced, total, cpu, spent.read, spent.inflate,
           spent.crc, spent.write);
    return 0;
}
