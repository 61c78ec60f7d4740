#include "package/language_win.h"

#include <windows.h>

#include "package/language.h"

namespace velkor {

void ReadSystemLocaleFromThread() { SetSystemLocaleId(static_cast<std::uint32_t>(GetThreadLocale())); }

}  // namespace velkor
