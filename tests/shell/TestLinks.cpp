#include "TestLinks.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "ComPtr.h"

LinkContents ReadLink(const std::wstring& file) {
    LinkContents contents;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.PutVoid()))) {
        ADD_FAILURE() << "no shell link object";
        return contents;
    }
    if (FAILED(persist->Load(file.c_str(), STGM_READ))) {
        ADD_FAILURE() << "cannot load the link file";
        return contents;
    }
    wchar_t text[MAX_PATH * 2] = {};
    const auto read = [&](auto call) {
        text[0] = 0;
        call();
        return std::wstring(text);
    };
    contents.path = read([&] { link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH); });
    contents.workingDirectory = read([&] { link->GetWorkingDirectory(text, MAX_PATH); });
    contents.description = read([&] { link->GetDescription(text, MAX_PATH); });
    contents.arguments = read([&] { link->GetArguments(text, MAX_PATH); });
    contents.iconFile = read([&] { link->GetIconLocation(text, MAX_PATH, &contents.iconIndex); });
    // Wine's loader ignores the stored show command, so it is taken from the
    // file's header (a 32-bit field at offset 60 of the shell link format).
    contents.showCommand = -1;
    if (FILE* stream = _wfopen(file.c_str(), L"rb")) {
        std::uint32_t show = 0;
        if (std::fseek(stream, 60, SEEK_SET) == 0 && std::fread(&show, sizeof show, 1, stream) == 1)
            contents.showCommand = static_cast<int>(show);
        std::fclose(stream);
    }
    link->GetHotkey(&contents.hotKey);
    return contents;
}
