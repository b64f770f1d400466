#include "ComApartment.h"

#include <objbase.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Each case runs on a thread of its own, whose COM state starts clean.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread(body).join();
}

TEST(ComApartment, MakesTheThreadASingleThreadedApartmentUntilItEnds) {
    OnFreshThread([] {
        {
            ComApartment apartment;
            // Apartment-threaded: a multithreaded start is refused.
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
            // The OLE services are there: the clipboard needs OleInitialize.
            IDataObject* data = nullptr;
            const HRESULT clipboard = OleGetClipboard(&data);
            EXPECT_NE(clipboard, CO_E_NOTINITIALIZED);
            if (data) data->Release();
        }
        // Every start was balanced: the thread can start COM anew.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    });
}

TEST(ComApartment, BalancesOnlyTheCallsThatSucceeded) {
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        { ComApartment apartment; }  // both of its starts fail on a multithreaded thread
        // The thread's own start is still in force: a second one only counts up.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
}

}  // namespace
