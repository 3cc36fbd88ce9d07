#include "platform/user_language.h"

namespace t418::platform {

// The locale variables are the user's choice here.
std::string UserInterfaceLanguage() { return {}; }

}  // namespace t418::platform
