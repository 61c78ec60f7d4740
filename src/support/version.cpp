#include "support/version.h"

namespace velkor {

const char* VelkorVersion() { return "0.1"; }

}  // namespace velkor
