// Helpers for native tests that work with files: a private temporary folder,
// whole-file reads and writes, and running outside programs such as sox.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "audio/stream.h"

namespace vt_test {

// A fresh folder under the system's temporary folder, removed with its files at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

std::vector<uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
// Runs a shell command; returns its exit status (-1 when it could not run) and its output.
int run_command(const std::string& command, std::string* output = nullptr);
bool have_program(const char* name);
// Reads the whole source (at most `limit` frames) into interleaved samples.
std::vector<int32_t> read_all(vt::AudioSource& source, int64_t limit = 1 << 24);
// Signed 16-bit little-endian file contents as samples.
std::vector<int32_t> s16_samples(const std::vector<uint8_t>& bytes);

}  // namespace vt_test
