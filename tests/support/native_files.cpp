#include "tests/support/native_files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vt_test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vt-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data())) dir_ = name.data();
}

TempDir::~TempDir() {
  if (!dir_.empty()) run_command("rm -rf '" + dir_ + "'");
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int run_command(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have_program(const char* name) { return run_command(std::string("command -v ") + name + " >/dev/null") == 0; }

std::vector<int32_t> read_all(vt::AudioSource& source, int64_t limit) {
  std::vector<int32_t> samples;
  int64_t left = source.length() - source.position();
  if (left > limit) left = limit;
  std::vector<int32_t> block(static_cast<size_t>(vt::kMaxFramesPerCall) * source.channels);
  while (left > 0) {
    int n = left < vt::kMaxFramesPerCall ? static_cast<int>(left) : vt::kMaxFramesPerCall;
    source.read(block.data(), n);
    samples.insert(samples.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(n) * source.channels);
    left -= n;
  }
  return samples;
}

std::vector<int32_t> s16_samples(const std::vector<uint8_t>& bytes) {
  std::vector<int32_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return samples;
}

}  // namespace vt_test
