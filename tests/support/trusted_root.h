// A test certificate authority among the machine's trusted roots (the registry store
// HKLM\Software\Microsoft\SystemCertificates\Root that Wine's chain engine reads when it
// is made, so before the first chain is built in the process), removed again at the end.
#pragma once
#include <string>

namespace vt_test {

class TrustedRoot {
 public:
  // The DER certificate written by tests/peers/test_ca.py into `linux_folder` (made there
  // first when missing).
  explicit TrustedRoot(const std::string& linux_folder);
  ~TrustedRoot();
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;
  bool added() const { return !der_.empty(); }

 private:
  std::string der_;
};

}  // namespace vt_test
