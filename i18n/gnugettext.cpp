#include "gnugettext.h"

#include <windows.h>

#include <vector>

#include "CatalogueHeader.h"
#include "ExecutablePath.h"
#include "LanguageCode.h"
#include "MappedCatalogue.h"
#include "TextConversion.h"

namespace {

// The service that the free functions use; set by CatalogueService.
TGnuGettextInstance* g_service = nullptr;

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::wstring LocaleText(LCTYPE type) {
    wchar_t buffer[16]{};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
    return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace

// ---- TDomain ----

TDomain::TDomain(std::wstring domain, std::wstring directory, std::wstring curlang)
    : domain_(std::move(domain)), directory_(WithBackslash(std::move(directory))), curlang_(std::move(curlang)) {}

TDomain::~TDomain() = default;

void TDomain::CloseMoFile() {
    mofile_.reset();
    openHasFailedBefore_ = false;
}

void TDomain::SetDirectory(const std::wstring& directory) {
    const std::wstring folder = WithBackslash(directory);
    if (folder == directory_) return;
    directory_ = folder;
    CloseMoFile();
}

void TDomain::SetLanguageCode(const std::wstring& curlang) {
    if (curlang == curlang_) return;
    curlang_ = curlang;
    CloseMoFile();
}

std::wstring TDomain::FilePath(const std::wstring& language) const {
    return directory_ + language + L"\\LC_MESSAGES\\" + domain_ + L".mo";
}

void TDomain::OpenMoFile() {
    // The full code first, then its first two letters; only one file is ever
    // used, so a msgid missing from nl_BE is not taken from nl.
    std::wstring path = FilePath(curlang_);
    if (!FileExists(path)) {
        path = FilePath(curlang_.substr(0, 2));
        if (!FileExists(path)) {
            openHasFailedBefore_ = true;
            return;
        }
    }
    auto mofile = std::make_unique<MappedCatalogue>(path);  // a failure leaves the domain not yet opened

    const auto header = mofile->Catalogue().Find("");
    if (!DeclaresUtf8(header.value_or(std::string_view()))) {
        mofile.reset();
        enabled_ = false;
        const std::wstring text = L"The translation for the language code " + curlang_ + L" (in " + path +
                                  L") does not have charset=utf-8 in its Content-Type. Translations are turned off.";
        MessageBoxW(nullptr, text.c_str(), L"Localization problem", MB_OK);
        return;
    }
    mofile_ = std::move(mofile);
}

std::wstring TDomain::gettext(const std::wstring& msgid) {
    if (!enabled_) return msgid;
    if (!mofile_ && !openHasFailedBefore_) OpenMoFile();
    if (!mofile_) return msgid;
    const auto translation = mofile_->Catalogue().Find(ToUtf8(msgid));
    return translation ? FromUtf8(*translation) : msgid;
}

// ---- TGnuGettextInstance ----

TGnuGettextInstance::TGnuGettextInstance(const std::wstring& executablePath) {
    const std::size_t slash = executablePath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : executablePath.substr(0, slash + 1);
    defaultDomainDirectory_ = folder + L"locale\\";
}

TGnuGettextInstance::~TGnuGettextInstance() = default;

void TGnuGettextInstance::UseLanguage(const std::wstring& LanguageCode) {
    std::wstring code = LanguageCode.empty() ? ChooseLanguageFromSystem() : LanguageCode;
    curlang_ = code.substr(0, code.find(L'.'));
    for (auto& [name, domain] : domains_)
        domain->SetLanguageCode(curlang_);
}

TDomain& TGnuGettextInstance::Domain(const std::wstring& szDomain) {
    auto& domain = domains_[szDomain];
    if (!domain) domain = std::make_unique<TDomain>(szDomain, defaultDomainDirectory_, curlang_);
    return *domain;
}

std::wstring TGnuGettextInstance::dgettext(const std::wstring& szDomain, const std::wstring& msgid) {
    return Domain(szDomain).gettext(msgid);
}

std::wstring TGnuGettextInstance::gettext(const std::wstring& msgid) { return dgettext(curmsgdomain_, msgid); }

void TGnuGettextInstance::bindtextdomain(const std::wstring& szDomain, const std::wstring& szDirectory) {
    Domain(szDomain).SetDirectory(szDirectory);
}

void TGnuGettextInstance::textdomain(const std::wstring& szDomain) {
    curmsgdomain_ = szDomain;
    Domain(szDomain);
}

std::wstring TGnuGettextInstance::LibraryText(const std::wstring& text) {
    if (text.empty()) return text;
    std::wstring result = dgettext(L"default", text);
    if (result != text) return result;
    return dgettext(L"jvcl", text);
}

// ---- start-up and the free functions ----

std::wstring ChooseLanguageFromSystem() {
    LocaleFacts facts;
    std::vector<wchar_t> lang(256);
    DWORD length = GetEnvironmentVariableW(L"LANG", lang.data(), static_cast<DWORD>(lang.size()));
    if (length >= lang.size()) {
        lang.resize(length);
        length = GetEnvironmentVariableW(L"LANG", lang.data(), static_cast<DWORD>(lang.size()));
    }
    if (length > 0 && length < lang.size()) facts.lang.assign(lang.data(), length);
    facts.iso639 = LocaleText(LOCALE_SISO639LANGNAME);
    facts.iso3166 = LocaleText(LOCALE_SISO3166CTRYNAME);
    facts.threadLocale = GetThreadLocale();
    return ChooseLanguageCode(facts);
}

CatalogueService::CatalogueService() : CatalogueService(ExecutablePath()) {}

CatalogueService::CatalogueService(const std::wstring& executablePath) : instance_(executablePath) {
    instance_.UseLanguage(L"");
    instance_.bindtextdomain(L"default", instance_.DefaultDomainDirectory());
    instance_.textdomain(L"default");
    g_service = &instance_;
}

CatalogueService::~CatalogueService() {
    if (g_service == &instance_) g_service = nullptr;
}

std::wstring gettext(const std::wstring& msgid) { return g_service ? g_service->gettext(msgid) : msgid; }

std::wstring dgettext(const std::wstring& szDomain, const std::wstring& msgid) {
    return g_service ? g_service->dgettext(szDomain, msgid) : msgid;
}

std::wstring TranslateLibraryText(const std::wstring& text) { return g_service ? g_service->LibraryText(text) : text; }
