// Bare file creation: writes files of given sizes from memory into a folder,
// one CreateFileW + WriteFile + SetFileTime + CloseHandle each, with no
// decoding. The options add, one at a time, what an unpacker may also do, to
// show what each costs.
// Usage: limit_files LIST FOLDER [options]
//   LIST: one "name size" per line (the entries of an archive)
//   -block N   bytes per WriteFile (default 0: each file in one call)
//   -notime    no SetFileTime
//   -basic     the time and FILE_ATTRIBUTE_NORMAL in one SetFileInformationByHandle
//              (FileBasicInfo) instead of SetFileTime, as ours sets them
//   -attrs     SetFileAttributesW by path after closing
//   -rw        open for reading and writing, shared for reading
//   -list      list the folder once first (FindFirstFileExW over all of it)
//   -probe     GetFileAttributesW of each name before creating it
//   -dirs N    spread the files over N subfolders instead of one folder
// Prints "files N bytes N seconds S listed N cpu S" (cpu: the thread's
// processor time, reading the list included).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

typedef struct {
    wchar_t name[MAX_PATH];
    DWORD size;
} Entry;

static int Fail(const char* what, const wchar_t* name, unsigned long error) {
    fprintf(stderr, "limit_files: %s failed (%lu) for %ls\n", what, error, name ? name : L"");
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(
            stderr,
            "usage: limit_files LIST FOLDER [-block N] [-notime] [-basic] [-attrs] [-rw] [-list] [-probe] [-dirs N]\n");
        return 2;
    }
    DWORD block = 0, dirs = 0;
    int setTime = 1, attrs = 0, rw = 0, list = 0, probe = 0, basic = 0;
    for (int i = 3; i < argc; ++i) {
        if (!wcscmp(argv[i], L"-block") && i + 1 < argc)
            block = (DWORD)_wtoi(argv[++i]);
        else if (!wcscmp(argv[i], L"-notime"))
            setTime = 0;
        else if (!wcscmp(argv[i], L"-basic"))
            basic = 1;
        else if (!wcscmp(argv[i], L"-attrs"))
            attrs = 1;
        else if (!wcscmp(argv[i], L"-rw"))
            rw = 1;
        else if (!wcscmp(argv[i], L"-list"))
            list = 1;
        else if (!wcscmp(argv[i], L"-probe"))
            probe = 1;
        else if (!wcscmp(argv[i], L"-dirs") && i + 1 < argc)
            dirs = (DWORD)_wtoi(argv[++i]);
        else {
            fprintf(stderr, "limit_files: unknown option %ls\n", argv[i]);
            return 2;
        }
    }

    FILE* in = _wfopen(argv[1], L"r");
    if (!in) return Fail("open list", argv[1], errno);
    size_t count = 0, capacity = 4096;
    Entry* entries = malloc(capacity * sizeof *entries);
    DWORD largest = 0;
    char name[MAX_PATH];
    unsigned long size;
    while (fscanf(in, "%259s %lu", name, &size) == 2) {
        if (count == capacity) entries = realloc(entries, (capacity *= 2) * sizeof *entries);
        MultiByteToWideChar(CP_UTF8, 0, name, -1, entries[count].name, MAX_PATH);
        entries[count].size = (DWORD)size;
        if (size > largest) largest = (DWORD)size;
        ++count;
    }
    fclose(in);
    // Content that does not matter: every file is written from this block.
    unsigned char* data = malloc(largest ? largest : 1);
    for (DWORD i = 0; i < largest; ++i)
        data[i] = (unsigned char)(i * 2654435761u >> 24);

    const wchar_t* folder = argv[2];
    for (DWORD d = 0; d < dirs; ++d) {
        wchar_t sub[MAX_PATH];
        swprintf(sub, MAX_PATH, L"%ls\\d%03lu", folder, (unsigned long)d);
        CreateDirectoryW(sub, NULL);
    }
    SYSTEMTIME when = {2024, 5, 0, 17, 12, 30, 0, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    size_t listed = 0;
    if (list) {
        wchar_t pattern[MAX_PATH];
        swprintf(pattern, MAX_PATH, L"%ls\\*", folder);
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileExW(pattern, FindExInfoStandard, &found, FindExSearchNameMatch, NULL, 0);
        if (search != INVALID_HANDLE_VALUE) {
            do
                ++listed;
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    unsigned long long total = 0;
    for (size_t i = 0; i < count; ++i) {
        wchar_t path[2 * MAX_PATH];
        if (dirs)
            swprintf(path, 2 * MAX_PATH, L"%ls\\d%03lu\\%ls", folder, (unsigned long)(i % dirs), entries[i].name);
        else
            swprintf(path, 2 * MAX_PATH, L"%ls\\%ls", folder, entries[i].name);
        if (probe) GetFileAttributesW(path);
        HANDLE file = CreateFileW(path, rw ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE, rw ? FILE_SHARE_READ : 0,
                                  NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) return Fail("CreateFileW", path, GetLastError());
        DWORD left = entries[i].size, at = 0;
        while (left > 0) {
            const DWORD want = block && block < left ? block : left;
            DWORD written = 0;
            if (!WriteFile(file, data + at, want, &written, NULL) || written == 0)
                return Fail("WriteFile", path, GetLastError());
            at += written;
            left -= written;
        }
        if (basic) {
            FILE_BASIC_INFO info = {0};
            info.LastWriteTime.QuadPart = (LONGLONG)(((ULONGLONG)utc.dwHighDateTime << 32) | utc.dwLowDateTime);
            info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
            if (!SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info))
                return Fail("SetFileInformationByHandle", path, GetLastError());
        } else if (setTime && !SetFileTime(file, NULL, NULL, &utc)) {
            return Fail("SetFileTime", path, GetLastError());
        }
        CloseHandle(file);
        if (attrs && !SetFileAttributesW(path, FILE_ATTRIBUTE_ARCHIVE))
            return Fail("SetFileAttributesW", path, GetLastError());
        total += entries[i].size;
    }

    QueryPerformanceCounter(&end);
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    printf("files %lu bytes %llu seconds %.3f listed %lu cpu %.3f\n", (unsigned long)count, total,
           (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart, (unsigned long)listed,
           ((double)(((ULONGLONG)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime) +
            (double)(((ULONGLONG)user.dwHighDateTime << 32) | user.dwLowDateTime)) /
               1e7);
    return 0;
}
