#include "FormatText.h"

#include <cwchar>
#include <vector>

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring Number(std::int64_t value, wchar_t conversion, int precision) {
    std::wstring digits;
    if (conversion == L'x' || conversion == L'X') {
        const wchar_t* hex = conversion == L'x' ? L"0123456789abcdef" : L"0123456789ABCDEF";
        auto u = static_cast<std::uint32_t>(value);  // like the 32-bit original: two's complement
        do {
            digits.insert(digits.begin(), hex[u % 16]);
            u /= 16;
        } while (u != 0);
    } else {
        digits = std::to_wstring(value < 0 ? -(value + 1) + 1ull : static_cast<unsigned long long>(value));
    }
    if (precision > 0 && static_cast<int>(digits.size()) < precision) digits.insert(0, precision - digits.size(), L'0');
    if (value < 0 && conversion != L'x' && conversion != L'X') digits.insert(0, 1, L'-');
    return digits;
}

}  // namespace

std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args) {
    std::vector<const FormatArg*> list;
    for (const auto& a : args)
        list.push_back(&a);
    std::size_t next = 0;
    std::wstring out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            out += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == L'%') {
            out += L'%';
            i = j;
            continue;
        }
        bool left = false;
        while (j < format.size() && format[j] == L'-') {
            left = true;
            ++j;
        }
        int width = 0, precision = -1;
        while (j < format.size() && IsDigit(format[j]) && width < 1000)
            width = width * 10 + (format[j++] - L'0');
        if (j < format.size() && format[j] == L'.') {
            precision = 0;
            ++j;
            while (j < format.size() && IsDigit(format[j]) && precision < 1000)
                precision = precision * 10 + (format[j++] - L'0');
        }
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const wchar_t conversion = format[j];
        std::wstring piece;
        const FormatArg* arg = next < list.size() ? list[next++] : nullptr;
        if (arg) {
            if (const auto* n = std::get_if<std::int64_t>(arg)) {
                piece = conversion == L's' ? std::to_wstring(*n) : Number(*n, conversion, precision);
            } else {
                piece = std::get<std::wstring>(*arg);
                if (conversion == L's' && precision >= 0 && piece.size() > static_cast<std::size_t>(precision))
                    piece.resize(precision);
            }
        }
        if (static_cast<int>(piece.size()) < width) piece.insert(left ? piece.size() : 0, width - piece.size(), L' ');
        out += piece;
        i = j;
    }
    return out;
}
