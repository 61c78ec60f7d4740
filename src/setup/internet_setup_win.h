#pragma once
// Download and run of an internet package's real setup file.
#include <string>

namespace velkor {

// Asks, downloads `url` + "/" + `file_name` (or takes the copy that lies at `url` when that is a
// folder), checks that it belongs to this package and runs it through the setup run.
void DownloadInternetSetup(const std::string& setup_folder, const std::string& url,
                           const std::string& file_name);

}  // namespace velkor
