// The user's interface language, read from the POSIX locale variables in their order of
// precedence. Only the language part ("ko" of "ko_KR.UTF-8") is looked at. A thread may choose
// its own, as the program does when it applies the language of the user's profile.
#include <cstdlib>
#include <string>

#include "platform/win_module.h"

namespace {

struct LanguageCode {
    const char* code;
    WORD primary;
};

// ISO 639-1 codes and their Windows primary language ids.
const LanguageCode kLanguages[] = {
    {"ar", 0x01}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07}, {"el", 0x08},
    {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"pl", 0x15},
    {"pt", 0x16}, {"ru", 0x19}, {"sv", 0x1D}, {"tr", 0x1F},
};

thread_local LANGID t_threadLanguage = 0;  // 0: the user's

const char* LocaleSetting() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return "";
}

}  // namespace

LANGID GetUserDefaultUILanguage() {
    std::string locale = LocaleSetting();
    std::string language = locale.substr(0, locale.find_first_of("_.@"));
    for (char& c : language)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const LanguageCode& entry : kLanguages)
        if (language == entry.code) return MAKELANGID(entry.primary, SUBLANG_DEFAULT);
    return MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
}

LANGID SetThreadUILanguage(LANGID language) {
    t_threadLanguage = language;
    return GetThreadUILanguage();
}

LANGID GetThreadUILanguage() {
    return t_threadLanguage != 0 ? t_threadLanguage : GetUserDefaultUILanguage();
}
