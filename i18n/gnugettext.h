#pragma once
// The message catalogue service. Run-time texts (gettext) and library texts
// (LoadResString) pass through GNU MO catalogues found in
//   <folder of the executable>\locale\<language>\LC_MESSAGES\<domain>.mo
// Without a catalogue every text comes back exactly as written.
//
// The program entry creates one CatalogueService before its window; while it
// lives, gettext(), dgettext() and LoadResString() go through it.
#include <map>
#include <memory>
#include <string>

#include "Failure.h"

// A failure of the catalogue service.
class EGnuGettext : public Failure {
public:
    using Failure::Failure;
};

// A catalogue file exists but cannot be opened, mapped or recognised. Not
// remembered: the next lookup in the domain tries again.
class EGGIOError : public EGnuGettext {
public:
    using EGnuGettext::EGnuGettext;
};

class MappedCatalogue;

// One text domain: a named catalogue, opened at its first lookup.
// States: not yet opened; open; nothing found (OpenHasFailedBefore);
// switched off (Enabled false, its catalogue is not in UTF-8).
class TDomain {
public:
    TDomain(std::wstring domain, std::wstring directory, std::wstring curlang);
    ~TDomain();
    TDomain(const TDomain&) = delete;
    TDomain& operator=(const TDomain&) = delete;

    // The translation of msgid, or msgid itself. Throws EGGIOError.
    std::wstring gettext(const std::wstring& msgid);

    // Either change closes the catalogue, so that the next lookup looks again.
    void SetDirectory(const std::wstring& directory);
    void SetLanguageCode(const std::wstring& curlang);

    const std::wstring& Domain() const { return domain_; }
    const std::wstring& Directory() const { return directory_; }
    bool IsOpen() const { return mofile_ != nullptr; }
    bool OpenHasFailedBefore() const { return openHasFailedBefore_; }
    bool Enabled() const { return enabled_; }

private:
    void OpenMoFile();
    void CloseMoFile();
    std::wstring FilePath(const std::wstring& language) const;

    std::wstring domain_;
    std::wstring directory_;  // always with a trailing backslash
    std::wstring curlang_;
    std::unique_ptr<MappedCatalogue> mofile_;
    bool openHasFailedBefore_ = false;
    bool enabled_ = true;
};

class TGnuGettextInstance {
public:
    // The catalogue folder is <folder of executablePath>\locale\; the current
    // domain is "default". The language stays "C" until UseLanguage.
    explicit TGnuGettextInstance(const std::wstring& executablePath);
    ~TGnuGettextInstance();
    TGnuGettextInstance(const TGnuGettextInstance&) = delete;
    TGnuGettextInstance& operator=(const TGnuGettextInstance&) = delete;

    // An empty code chooses the language from LANG and the user's locale.
    void UseLanguage(const std::wstring& LanguageCode);
    const std::wstring& GetCurrentLanguage() const { return curlang_; }

    std::wstring gettext(const std::wstring& msgid);
    std::wstring dgettext(const std::wstring& szDomain, const std::wstring& msgid);
    void bindtextdomain(const std::wstring& szDomain, const std::wstring& szDirectory);
    void textdomain(const std::wstring& szDomain);

    // The library-text lookup of a text loaded from the string table: in
    // "default" and, when that leaves it unchanged, in "jvcl".
    std::wstring LibraryText(const std::wstring& text);

    const std::wstring& DefaultDomainDirectory() const { return defaultDomainDirectory_; }
    TDomain& Domain(const std::wstring& szDomain);

private:
    std::wstring curlang_ = L"C";
    std::wstring curmsgdomain_ = L"default";
    std::wstring defaultDomainDirectory_;
    std::map<std::wstring, std::unique_ptr<TDomain>> domains_;
};

// The start-up of the catalogue service, before the main window: catalogue
// folder beside the executable, language chosen automatically, "default"
// bound and made current, library texts routed through the service. Keep it
// alive for the whole run; on destruction the catalogues are closed and
// texts are no longer translated.
class CatalogueService {
public:
    CatalogueService();  // for the running executable
    explicit CatalogueService(const std::wstring& executablePath);
    ~CatalogueService();
    CatalogueService(const CatalogueService&) = delete;
    CatalogueService& operator=(const CatalogueService&) = delete;

    TGnuGettextInstance& Instance() { return instance_; }

private:
    TGnuGettextInstance instance_;
};

// The language code from LANG, the user locale and the thread locale.
std::wstring ChooseLanguageFromSystem();

// Through the running CatalogueService; the text itself when there is none.
std::wstring gettext(const std::wstring& msgid);
std::wstring dgettext(const std::wstring& szDomain, const std::wstring& msgid);
// The library-text lookup of a loaded text (used by LoadResString).
std::wstring TranslateLibraryText(const std::wstring& text);
