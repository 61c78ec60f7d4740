#pragma once
// Cluster size of a drive and the package's space need for it.
#include <cstdint>
#include <string>

#include "package/file_info.h"

namespace velkor {

// Bytes per cluster of the drive named by the first three characters of `path` (e.g. "C:\"); 0
// when the system cannot tell.
std::uint64_t ClusterSize(const std::string& path);

// The SpaceTable entry of `info` for the cluster size of the drive of `path`.
double RequiredSpace(const TGFileInfo& info, const std::string& path);

}  // namespace velkor
