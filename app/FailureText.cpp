#include "FailureText.h"

#include <windows.h>

#include <exception>

#include "Failure.h"

std::wstring CurrentFailureText() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.Message();
    } catch (const std::exception& failure) {
        const int size = MultiByteToWideChar(CP_ACP, 0, failure.what(), -1, nullptr, 0);
        std::wstring text(size > 0 ? static_cast<std::size_t>(size) : 0, L'\0');
        if (size > 0) MultiByteToWideChar(CP_ACP, 0, failure.what(), -1, text.data(), size);
        if (!text.empty()) text.pop_back();
        return text;
    } catch (...) {
        return {};
    }
}
