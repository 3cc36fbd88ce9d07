#include "platform/user_language.h"

#include <windows.h>

namespace t418::platform {

std::string UserInterfaceLanguage() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) <= 0)
    return {};
  std::string tag;
  for (const wchar_t* c = name; *c != L'\0'; ++c) tag.push_back(static_cast<char>(*c));  // ASCII by definition
  return tag;
}

}  // namespace t418::platform
