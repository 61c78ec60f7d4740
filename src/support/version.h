#pragma once

namespace velkor {

// The version of this build, as velkor-pack prints it.
const char* VelkorVersion();

}  // namespace velkor
