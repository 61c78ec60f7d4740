#include "stub/stub_main_win.h"

namespace velkor {

int StubMain(HINSTANCE) {
  return 0;
}

}  // namespace velkor
