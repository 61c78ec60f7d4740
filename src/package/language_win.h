#pragma once

namespace velkor {

// Takes the thread's locale as the process's language for every later text lookup; the stub calls
// it once at start.
void ReadSystemLocaleFromThread();

}  // namespace velkor
