#include "setup/internet_setup_win.h"

namespace velkor {

// The internet download is built separately; until then an internet package unpacks nothing.
void DownloadInternetSetup(const std::string&, const std::string&, const std::string&) {}

}  // namespace velkor
