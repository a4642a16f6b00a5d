#include "browsing/memory_use.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace tabulon {

namespace {

// The number after `key` on the line that begins with it, in a file of
// "Key:   123 kB" lines.
std::int64_t FieldKb(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) {
      return std::strtoll(line.c_str() + key.size(), nullptr, 10);
    }
  }
  return 0;
}

// The parent of a process, from its stat line: the fourth field, counted
// after the command name in parentheses (which may hold anything).
int ParentOf(const std::string& stat_path) {
  std::ifstream in(stat_path);
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t end = stat.rfind(')');
  if (end == std::string::npos) return 0;
  std::istringstream fields(stat.substr(end + 1));
  std::string state;
  int parent = 0;
  fields >> state >> parent;
  return parent;
}

}  // namespace

std::int64_t ProcessTreePssKb(int pid, const std::string& proc) {
  std::multimap<int, int> children;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(proc, error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const int child = std::atoi(name.c_str());
    children.emplace(ParentOf(entry.path().string() + "/stat"), child);
  }
  std::int64_t total = 0;
  std::vector<int> pending{pid};
  // A process seen twice (a pid reused while reading) is counted once.
  std::map<int, bool> seen;
  while (!pending.empty()) {
    const int next = pending.back();
    pending.pop_back();
    if (seen[next]) continue;
    seen[next] = true;
    total += FieldKb(proc + "/" + std::to_string(next) + "/smaps_rollup", "Pss:");
    const auto [first, last] = children.equal_range(next);
    for (auto it = first; it != last; ++it) pending.push_back(it->second);
  }
  return total;
}

std::int64_t MachineMemoryKb(const std::string& proc) {
  return FieldKb(proc + "/meminfo", "MemTotal:");
}

}  // namespace tabulon
