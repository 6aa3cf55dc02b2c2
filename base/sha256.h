// SHA-256 (FIPS 180-4), fed in pieces; used to check downloaded programs against the
// digest their server publishes beside them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

class Sha256 {
 public:
  Sha256() { reset(); }
  void reset();
  void add(const void* data, size_t length);
  // The digest of everything added; the object must be reset before further use.
  void finish(uint8_t digest[32]);

 private:
  void block(const uint8_t* data);

  uint32_t state_[8];
  uint64_t length_;  // bytes added
  uint8_t buffer_[64];
  size_t buffered_;
};

// The 64 lower-case hexadecimal digits of a digest.
std::string hex_digest(const uint8_t digest[32]);

}  // namespace vt
