#include "SocketErrorText.h"

#include <iterator>

#include "FormatText.h"
#include "HttpTextIds.h"
#include "LibraryText.h"

namespace {

// Winsock numbers with a description in the string table, in id order.
constexpr int kDescribedErrors[] = {
    10004, 10009, 10013, 10014, 10022, 10024, 10035, 10036, 10037, 10038, 10039, 10040, 10041, 10042, 10043,
    10044, 10045, 10046, 10047, 10048, 10049, 10050, 10051, 10052, 10053, 10054, 10055, 10056, 10057, 10058,
    10060, 10061, 10064, 10065, 10067, 10091, 10092, 10093, 10101, 11001, 11002, 11003, 11004,
};

}  // namespace
std::wstring SocketErrorText(int number) {
    for (std::size_t i = 0; i < std::size(kDescribedErrors); ++i)
        if (kDescribedErrors[i] == number) return LoadResString(IDS_WSA_FIRST + static_cast<unsigned>(i));
    return {};
}

std::wstring SocketErrorMessage(int number) {
    return FormatText(LoadResString(IDS_HTTP_SOCKET_ERROR), {std::int64_t{number}, SocketErrorText(number)});
}
