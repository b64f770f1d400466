#pragma once
// COM for the life of the program: the UI thread becomes a single-threaded
// apartment with the OLE services (OleInitialize), then COM is initialised
// once more, apartment-threaded (CoInitialize). Any non-negative result counts
// as success; at destruction each successful call is balanced, in reverse
// order (CoUninitialize, then OleUninitialize). The program entry holds one
// on the UI thread, before the main window exists, until the message loop
// has ended and the window is gone.
//
// The program entry also calls LoadShellLinkTexts() (ShellLink.h) at
// start-up, before the message catalogue is set up.
class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool oleStarted_ = false;
    bool comStarted_ = false;
};
