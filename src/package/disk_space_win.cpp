#include "package/disk_space_win.h"

#include <windows.h>

namespace velkor {

std::uint64_t ClusterSize(const std::string& path) {
  const std::string root = path.substr(0, 3);
  DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
  if (root.empty() || !GetDiskFreeSpaceA(root.c_str(), &sectors_per_cluster, &bytes_per_sector,
                                         &free_clusters, &total_clusters))
    return 0;
  return static_cast<std::uint64_t>(sectors_per_cluster) * bytes_per_sector;
}

double RequiredSpace(const TGFileInfo& info, const std::string& path) {
  return info.RequiredSpaceForClusterSize(ClusterSize(path));
}

}  // namespace velkor
