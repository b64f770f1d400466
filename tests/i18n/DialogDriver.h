#pragma once
// Works a modal dialog of this thread as a person would, from a second
// thread: waits for the dialog to appear, records what it shows, then
// answers it. The dialog's thread is inside the modal loop meanwhile.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

struct ShownControl {
    std::wstring cls;
    std::wstring text;
    int id;
    DWORD style;
    RECT rect;      // in screen coordinates
    LOGFONTW font;  // zeroed when the control has the system font
    HICON icon;     // what a visible icon static shows; null for every other control

    bool IsButton() const;
    bool IsText() const;  // a static that shows text, not an icon
};

struct ShownDialog {
    HWND window = nullptr;
    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    HWND owner = nullptr;
    HWND focus = nullptr;  // the control with the keyboard focus when the dialog was found
    int focusId = 0;
    std::vector<ShownControl> controls;

    const ShownControl* Find(const std::wstring& cls, int id) const;
};

enum class Answer { Enter, Escape, CloseBox };

class DialogDriver {
public:
    // Answers every dialog that appears on the calling thread, in order.
    explicit DialogDriver(Answer answer);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Stops watching and gives what the dialogs showed.
    std::vector<ShownDialog> Finish();

private:
    void Watch();

    DWORD thread_;
    Answer answer_;
    std::vector<ShownDialog> shown_;
    HANDLE stop_;
    std::thread watcher_;
};
