#pragma once
// COM on the calling thread for as long as the guard lives: the thread
// becomes a single-threaded apartment with the OLE services (OleInitialize),
// then COM is initialised once more, apartment-threaded (CoInitialize). Any
// non-negative result counts as success; at destruction each successful call
// is balanced, in reverse order (CoUninitialize, then OleUninitialize). Every
// COM object the thread makes (TShellLink's shell link object) must be made
// and released while a guard is alive, so one belongs on the UI thread for
// the life of the main window.
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
