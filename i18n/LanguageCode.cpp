#include "LanguageCode.h"

#include <algorithm>
#include <array>
#include <utility>

std::wstring LanguageCodeOfLocaleId(unsigned long lcid) {
    static constexpr std::array<std::pair<unsigned long, const wchar_t*>, 25> kTable{{
        {1030, L"da_DK"}, {1031, L"de_DE"}, {1032, L"el_GR"}, {1033, L"en_US"}, {1034, L"es_ES"},
        {1035, L"fi_FI"}, {1036, L"fr_FR"}, {1039, L"is_IS"}, {1040, L"it_IT"}, {1042, L"ko_KO"},
        {1043, L"nl_NL"}, {1044, L"nb_NO"}, {1045, L"pl_PL"}, {1046, L"pt_BR"}, {1049, L"ru_RU"},
        {1053, L"sv_SE"}, {2057, L"en_GB"}, {2060, L"fr_BE"}, {2067, L"nl_BE"}, {2068, L"nn_NO"},
        {2070, L"pt_PT"}, {2077, L"sv_FI"}, {3082, L"es_ES"}, {3084, L"fr_CA"}, {4103, L"de_LU"},
    }};
    const auto it = std::find_if(kTable.begin(), kTable.end(), [lcid](const auto& row) { return row.first == lcid; });
    return it != kTable.end() ? it->second : L"C";
}

namespace {

std::wstring FromUserLocale(const LocaleFacts& facts) {
    if (facts.iso639.size() != 2 || facts.iso3166.size() != 2) return {};
    std::wstring language = facts.iso639;
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    if (lower(language[0]) == L'n' && lower(language[1]) == L'o') language = L"nb";
    return language + L"_" + facts.iso3166;
}

}  // namespace

std::wstring ChooseLanguageCode(const LocaleFacts& facts) {
    std::wstring code = facts.lang;
    if (code.empty()) code = FromUserLocale(facts);
    if (code.empty()) code = LanguageCodeOfLocaleId(facts.threadLocale);
    return code.substr(0, code.find(L'.'));
}
