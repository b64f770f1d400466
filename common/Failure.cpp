#include "Failure.h"

#include "TextConversion.h"

std::wstring CurrentFailureText() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.Message();
    } catch (const std::exception& failure) {
        return FromAnsi(failure.what());
    } catch (...) {
        return {};
    }
}
