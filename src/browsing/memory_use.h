#pragma once
#include <cstdint>
#include <string>

namespace tabulon {

// The memory a process and every process under it (the engine's) use, as
// their proportional set sizes in kilobytes, read from proc (the folder
// /proc is mounted at); 0 when unknown.
std::int64_t ProcessTreePssKb(int pid, const std::string& proc = "/proc");

// The machine's memory in kilobytes; 0 when unknown.
std::int64_t MachineMemoryKb(const std::string& proc = "/proc");

}  // namespace tabulon
