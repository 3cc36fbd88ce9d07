#pragma once
// The language the user has chosen for the system's own texts, where the
// system keeps one apart from the locale variables of the environment.
#include <string>

namespace t418::platform {

// A language tag such as "zh-CN" or "en-US" (Windows: the user's display
// language); "" where the environment's LC_ALL, LC_MESSAGES and LANG decide
// (Linux).
std::string UserInterfaceLanguage();

}  // namespace t418::platform
