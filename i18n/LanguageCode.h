#pragma once
// The choice of the catalogue language, from what the environment and the
// user's locale report. Kept apart from the platform queries so that the
// rules can be checked with any inputs.
#include <string>

struct LocaleFacts {
    std::wstring lang;               // the environment variable LANG; empty when not set
    std::wstring iso639;             // the user locale's ISO 639 language name
    std::wstring iso3166;            // the user locale's ISO 3166 country name
    unsigned long threadLocale = 0;  // the thread's locale identifier
};

// The language code such as "nl_BE", "nl" or "C": LANG if set, else the user
// locale's two-letter names ("no" becomes "nb"), else the thread locale by
// its identifier; everything from the first "." on is dropped.
std::wstring ChooseLanguageCode(const LocaleFacts& facts);

// The code of a locale identifier; "C" for an identifier we do not know.
std::wstring LanguageCodeOfLocaleId(unsigned long lcid);
