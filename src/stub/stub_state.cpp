#include "stub/stub_state.h"

namespace velkor {

StubState& Stub() {
  static StubState state;
  return state;
}

const TGFileInfo& OwnDescriptor() {
  static const TGFileInfo empty;
  const auto& own = Stub().own_descriptor;
  return own ? *own : empty;
}

}  // namespace velkor
