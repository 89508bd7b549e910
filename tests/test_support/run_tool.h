#pragma once
// veldrimon-tool run as a user runs it (from VR_BINARY_DIR, the build folder ctest names): its
// standard output and error together, and its exit code (-1 when it did not exit normally).

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vr::test_support {

inline std::string RunTool(const std::string& arguments, int* exit_code) {
  const char* bin = std::getenv("VR_BINARY_DIR");
  const std::string tool = std::string(bin != nullptr ? bin : ".") + "/tools/veldrimon-tool";
  std::string output;
  *exit_code = -1;
  FILE* pipe = ::popen((tool + " " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, got);
  const int status = ::pclose(pipe);
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

}  // namespace vr::test_support
