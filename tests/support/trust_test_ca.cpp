// Makes the tests' CA (run-dovecot's DIR/tls/ca.pem) a trusted root of the Wine
// prefix the Windows tests run in, the way an administrator adds one on
// Windows: the local machine's Root store. The fixture keeps one CA per
// folder across runs (run-dovecot), so the store holds one per folder.
//   trust_test_ca Z:/path/to/ca.pem
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool Der(const std::string& pem, std::vector<BYTE>& der) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return false;
    der.resize(size);
    return CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust_test_ca CA.pem\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<BYTE> der;
    PCCERT_CONTEXT ca = nullptr;
    if (!Der(pem, der) ||
        (ca = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                           static_cast<DWORD>(der.size()))) == nullptr) {
        std::fprintf(stderr, "trust_test_ca: no certificate in %s\n", argv[1]);
        return 1;
    }
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                    CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    bool added = false;
    if (root != nullptr) {
        // Already trusted: nothing to do. (Wine loses a CA added in place of
        // an earlier one of the same name, so none is ever replaced.)
        PCCERT_CONTEXT present =
            CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ca, nullptr);
        added = present != nullptr ||
                CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_NEW, nullptr) != 0;
        if (present != nullptr) CertFreeCertificateContext(present);
        CertCloseStore(root, 0);
    }
    CertFreeCertificateContext(ca);
    if (!added) {
        std::fprintf(stderr, "trust_test_ca: the Root store refused the CA (%lu)\n",
                     GetLastError());
        return 1;
    }
    return 0;
}
