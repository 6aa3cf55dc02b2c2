#include "tests/support/trusted_root.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>

#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"

namespace vt_test {

namespace {

// The registry store writes what changed when it is closed.
HCERTSTORE open_roots() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
}

}  // namespace

TrustedRoot::TrustedRoot(const std::string& linux_folder) {
  std::string peers = env("VT_SOURCE_DIR") + "/tests/peers";
  if (run_linux("/usr/bin/python3 " + peers + "/test_ca.py '" + linux_folder + "'") != 0) return;
  std::ifstream in(windows_path(linux_folder + "/ca.der"), std::ios::binary);
  std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  HCERTSTORE roots = open_roots();
  if (der.empty() || !roots) return;
  if (CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                       static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
    der_ = der;
  CertCloseStore(roots, 0);
}

TrustedRoot::~TrustedRoot() {
  if (der_.empty()) return;
  HCERTSTORE roots = open_roots();
  if (!roots) return;
  PCCERT_CONTEXT ours = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der_.data()),
                                                     static_cast<DWORD>(der_.size()));
  if (ours) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ours, nullptr);
    if (found) CertDeleteCertificateFromStore(found);
    CertFreeCertificateContext(ours);
  }
  CertCloseStore(roots, 0);
}

}  // namespace vt_test
