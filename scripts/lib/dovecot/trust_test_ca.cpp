// Makes the tests' CA (run-dovecot's DIR/tls/ca.pem) a root of the local
// machine's Root store in the Wine prefix, as an administrator would on Windows.
//   trust_test_ca Z:/path/to/ca.pem
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    std::ifstream file(argc == 2 ? argv[1] : "", std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    BYTE der[16384];
    DWORD size = sizeof der;
    PCCERT_CONTEXT ca = nullptr;
    if (CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                             der, &size, nullptr, nullptr))
        ca = CertCreateCertificateContext(X509_ASN_ENCODING, der, size);
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    // One already there stays: Wine loses a CA added in place of one of the
    // same name, and the fixture keeps its CA across runs. The store saves
    // what was added when it is closed.
    const bool added =
        ca != nullptr && root != nullptr &&
        CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_USE_EXISTING, nullptr);
    if (!added) std::fprintf(stderr, "trust_test_ca: no CA added (%lu)\n", GetLastError());
    if (root != nullptr) CertCloseStore(root, 0);
    return added ? 0 : 1;
}
