#include "ComApartment.h"

#include <ole2.h>

ComApartment::ComApartment() {
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    comStarted_ = SUCCEEDED(CoInitialize(nullptr));
}

ComApartment::~ComApartment() {
    if (comStarted_) CoUninitialize();
    if (oleStarted_) OleUninitialize();
}
