#pragma once
// TShellLink: describes one shell link (target, arguments, start folder,
// description, icon, hot key, show state, link file) and writes it to disk
// through the system's shell link object. Its owner (the main window) holds
// it for its whole life; the component keeps no COM object between calls.
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <functional>
#include <string>

enum class TWindowState : std::uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// Makes the shell link object; same parameters as CoCreateInstance, which is
// what Write uses unless another factory is given (tests do, to make the
// creation fail or to hand out an object that lacks an interface).
using ShellLinkFactory = std::function<HRESULT(REFCLSID, IUnknown*, DWORD, REFIID, void**)>;

class TShellLink {
public:
    explicit TShellLink(ShellLinkFactory factory = ::CoCreateInstance);

    const std::wstring& Arguments() const { return FArguments; }
    void SetArguments(std::wstring value) { FArguments = std::move(value); }
    const std::wstring& Description() const { return FDescription; }
    void SetDescription(std::wstring value) { FDescription = std::move(value); }
    const std::wstring& IconFile() const { return FIconFile; }
    void SetIconFile(std::wstring value) { FIconFile = std::move(value); }
    std::uint32_t IconIndex() const { return FIconIndex; }
    void SetIconIndex(std::uint32_t value) { FIconIndex = value; }
    std::uint16_t HotKey() const { return FHotKey; }
    void SetHotKey(std::uint16_t value) { FHotKey = value; }
    const std::wstring& LinkFile() const { return FLinkFile; }
    void SetLinkFile(std::wstring value) { FLinkFile = std::move(value); }
    const std::wstring& ProgramFile() const { return FProgramFile; }
    void SetProgramFile(std::wstring value) { FProgramFile = std::move(value); }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value) { FWindowState = value; }
    const std::wstring& WorkingDirectory() const { return FWorkingDirectory; }
    void SetWorkingDirectory(std::wstring value) { FWorkingDirectory = std::move(value); }

    // Writes LinkFile from the current values. Fails (Failure) only when the
    // shell link object cannot be made or lacks IShellLinkW or IPersistFile;
    // whether the shell then manages to store the link is not examined, a
    // missing shortcut is not worth stopping an installation for. An empty
    // WorkingDirectory is filled with the folder of ProgramFile and kept.
    void Write();

private:
    std::wstring FArguments;
    std::wstring FDescription;
    std::wstring FIconFile;
    std::wstring FProgramFile;
    std::wstring FLinkFile;
    std::wstring FWorkingDirectory;
    std::uint32_t FIconIndex = 0;
    std::uint16_t FHotKey = 0;
    TWindowState FWindowState = TWindowState::wsNormal;

    ShellLinkFactory factory_;
};

// "Interface not supported" is read from the string table once, at start-up,
// and never passes through the message catalogue. The program entry calls
// this before it sets up the catalogue; should it be missed, the first Write
// that needs the text reads it, still untranslated.
void LoadShellLinkTexts();
