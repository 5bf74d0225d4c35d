// TlsChannel over Schannel (SSPI, SECUR32) with the certificate checked by
// CRYPT32. Schannel's own check is switched off: Wine's Schannel makes none,
// and the explicit chain and policy check below behaves the same on Windows
// and under Wine. TLS 1.2: the only version both offer through SCHANNEL_CRED.
#include "platform/tls/TlsChannel.h"

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/net/SocketWait.h"

namespace {

// A record still incomplete this long after the call began ends the receive.
const long kRecordSeconds = 30;
// One whole record (header, 16 KiB of data, the largest expansion) and room
// for the start of the next.
const int kIncomingSize = 2 * (5 + 16384 + 2048);
// SECURITY_FLAG_IGNORE_CERT_CN_INVALID (WININET): the address is checked here.
const DWORD kIgnoreName = 0x00001000;
// Faults of a chain that refuse it. Windows' SSL policy refuses each of them
// too, but Wine's lets a chain without its root (the usual case: servers
// send no root) pass as trusted.
const DWORD kChainFaults = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT |
                           CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
                           CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_IS_REVOKED |
                           CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_IS_CYCLIC;
const ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                              ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                              ISC_REQ_MANUAL_CRED_VALIDATION;

bool HoldsAddress(PCCERT_CONTEXT certificate, const in_addr& address) {
    const CERT_INFO* info = certificate->pCertInfo;
    PCERT_EXTENSION extension =
        CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (extension == nullptr ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                             extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                             &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                entry.IPAddress.cbData == sizeof address &&
                std::memcmp(entry.IPAddress.pbData, &address, sizeof address) == 0;
    }
    LocalFree(names);
    return found;
}

// A chain for server authentication up to a trusted root, in its validity
// period, and the host's name in the certificate (or its address).
bool Trusted(PCCERT_CONTEXT certificate, const char* host) {
    in_addr address;
    address.s_addr = inet_addr(host);
    const bool numeric = address.s_addr != INADDR_NONE;
    wchar_t name[256];
    if (!numeric && MultiByteToWideChar(CP_ACP, 0, host, -1, name, 256) == 0) return false;

    LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                                 0, nullptr, &chain))
        return false;

    HTTPSPolicyCallbackData server = {};
    server.cbStruct = sizeof server;
    server.dwAuthType = AUTHTYPE_SERVER;
    server.fdwChecks = numeric ? kIgnoreName : 0;
    server.pwszServerName = numeric ? nullptr : name;
    CERT_CHAIN_POLICY_PARA policyPara = {};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &server;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof status;
    bool trusted =
        (chain->TrustStatus.dwErrorStatus & kChainFaults) == 0 &&
        CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status) &&
        status.dwError == 0;
    CertFreeCertificateChain(chain);
    return trusted && (!numeric || HoldsAddress(certificate, address));
}

}  // namespace

struct TlsChannel::Session {
    SOCKET socket = 0;
    net::KeepWaiting keepWaiting;
    CredHandle credentials = {};
    CtxtHandle context = {};
    bool hasCredentials = false;
    bool hasContext = false;
    bool checked = false;
    SecPkgContext_StreamSizes sizes = {};
    // Bytes received and not yet decrypted.
    char incoming[kIncomingSize];
    int incomingLength = 0;
    // Decrypted bytes not yet handed out: a window into plain.
    char* plain = nullptr;
    int plainStart = 0;
    int plainLength = 0;
    // Header, data and trailer of one outgoing record.
    char* outgoing = nullptr;

    ~Session() {
        if (hasContext) DeleteSecurityContext(&context);
        if (hasCredentials) FreeCredentialsHandle(&credentials);
        std::free(plain);
        std::free(outgoing);
    }

    bool Handshake(const char* host, net::Clock::time_point deadline);
    SECURITY_STATUS Step(const char* host, bool first);
    bool CheckCertificate(const char* host);
    int Read(net::Clock::time_point deadline);
    SECURITY_STATUS Decrypt();
};

// Checks the server's certificate once Schannel has it: before the answer
// to the server's certificate goes out where Schannel hands it over early,
// else when the handshake has ended, before any data.
bool TlsChannel::Session::CheckCertificate(const char* host) {
    if (checked) return true;
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesA(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK ||
        certificate == nullptr)
        return true;
    checked = Trusted(certificate, host);
    CertFreeCertificateContext(certificate);
    return checked;
}

// One call of InitializeSecurityContext on the bytes received so far; its
// token goes out only once the certificate, where known, has been checked.
// Leaves in incoming what the call did not use.
SECURITY_STATUS TlsChannel::Session::Step(const char* host, bool first) {
    in_addr address;
    address.s_addr = inet_addr(host);
    // No name is sent for an address: SNI carries host names only.
    SEC_CHAR* target = address.s_addr == INADDR_NONE ? const_cast<SEC_CHAR*>(host) : nullptr;
    SecBuffer in[2] = {{static_cast<unsigned long>(incomingLength), SECBUFFER_TOKEN, incoming},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
    ULONG attributes = 0;
    SECURITY_STATUS status = InitializeSecurityContextA(
        &credentials, first ? nullptr : &context, target, kContextRequest, 0, 0,
        first ? nullptr : &inDesc, 0, first ? &context : nullptr, &outDesc, &attributes, nullptr);
    const bool going = status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK;
    if (first && going) hasContext = true;
    bool sent = true;
    if (out[0].pvBuffer != nullptr) {
        // A failed step's token is its alert, which stays unsent.
        if (going && out[0].cbBuffer > 0)
            sent = (first || CheckCertificate(host)) &&
                   net::SendAll(socket, static_cast<char*>(out[0].pvBuffer),
                                static_cast<int>(out[0].cbBuffer));
        FreeContextBuffer(out[0].pvBuffer);
    }
    if (!sent) return SEC_E_INTERNAL_ERROR;
    if (status == SEC_E_INCOMPLETE_MESSAGE || first) return status;
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 &&
        in[1].cbBuffer <= static_cast<unsigned long>(incomingLength)) {
        std::memmove(incoming, incoming + incomingLength - in[1].cbBuffer, in[1].cbBuffer);
        incomingLength = static_cast<int>(in[1].cbBuffer);
    } else {
        incomingLength = 0;
    }
    return status;
}

bool TlsChannel::Session::Handshake(const char* host, net::Clock::time_point deadline) {
    SCHANNEL_CRED settings = {};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    if (AcquireCredentialsHandleA(nullptr, const_cast<SEC_CHAR*>(UNISP_NAME_A),
                                  SECPKG_CRED_OUTBOUND, nullptr, &settings, nullptr, nullptr,
                                  &credentials, nullptr) != SEC_E_OK)
        return false;
    hasCredentials = true;
    SECURITY_STATUS status = Step(host, true);
    while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
        // What is left of the last read may hold the next message whole.
        if ((status == SEC_E_INCOMPLETE_MESSAGE || incomingLength == 0) && Read(deadline) <= 0)
            return false;
        status = Step(host, false);
    }
    if (status != SEC_E_OK || !CheckCertificate(host) || !checked) return false;
    if (QueryContextAttributesA(&context, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK ||
        sizes.cbMaximumMessage == 0 || sizes.cbMaximumMessage > 16384 || sizes.cbHeader > 1024 ||
        sizes.cbTrailer > 4096)
        return false;
    plain = static_cast<char*>(std::malloc(kIncomingSize));
    outgoing =
        static_cast<char*>(std::malloc(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer));
    return plain != nullptr && outgoing != nullptr;
}

// Appends what the socket has within the deadline to incoming: the count, 0
// at the end of the stream, SOCKET_ERROR on a failure, at the deadline or
// when incoming is full.
int TlsChannel::Session::Read(net::Clock::time_point deadline) {
    if (incomingLength >= kIncomingSize ||
        !net::WaitFor(socket, net::Await::kReadable, deadline, keepWaiting))
        return SOCKET_ERROR;
    int count = recv(socket, incoming + incomingLength, kIncomingSize - incomingLength, 0);
    if (count > 0) incomingLength += count;
    return count;
}

// Decrypts the first whole record of incoming into plain, in place; keeps
// the bytes after it.
SECURITY_STATUS TlsChannel::Session::Decrypt() {
    SecBuffer buffers[4] = {{static_cast<unsigned long>(incomingLength), SECBUFFER_DATA, incoming},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = DecryptMessage(&context, &desc, 0, nullptr);
    if (status != SEC_E_OK) return status;
    plainStart = 0;
    plainLength = 0;
    int extra = 0;
    for (const SecBuffer& buffer : buffers) {
        if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer <= kIncomingSize) {
            std::memcpy(plain, buffer.pvBuffer, buffer.cbBuffer);
            plainLength = static_cast<int>(buffer.cbBuffer);
        } else if (buffer.BufferType == SECBUFFER_EXTRA &&
                   buffer.cbBuffer <= static_cast<unsigned long>(incomingLength)) {
            extra = static_cast<int>(buffer.cbBuffer);
        }
    }
    std::memmove(incoming, incoming + incomingLength - extra, static_cast<size_t>(extra));
    incomingLength = extra;
    return SEC_E_OK;
}

TlsChannel::TlsChannel(net::KeepWaiting keepWaiting)
    : session_(nullptr), keepWaiting_(std::move(keepWaiting)) {}

TlsChannel::~TlsChannel() {
    Close();
}

bool TlsChannel::Open(SOCKET connected, const char* host, long seconds) {
    Close();
    Session* session = new Session;
    session->socket = connected;
    session->keepWaiting = keepWaiting_;
    if (!session->Handshake(host, net::After(seconds))) {
        delete session;
        return false;
    }
    session_ = session;
    return true;
}

int TlsChannel::Send(const char* bytes, int length) {
    if (session_ == nullptr || length <= 0) return SOCKET_ERROR;
    const SecPkgContext_StreamSizes& sizes = session_->sizes;
    char* record = session_->outgoing;
    for (int sent = 0; sent < length;) {
        unsigned long part = static_cast<unsigned long>(length - sent);
        if (part > sizes.cbMaximumMessage) part = sizes.cbMaximumMessage;
        std::memcpy(record + sizes.cbHeader, bytes + sent, part);
        SecBuffer buffers[4] = {
            {sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
            {part, SECBUFFER_DATA, record + sizes.cbHeader},
            {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + sizes.cbHeader + part},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&session_->context, 0, &desc, 0) != SEC_E_OK ||
            !net::SendAll(
                session_->socket, record,
                static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer)))
            return SOCKET_ERROR;
        sent += static_cast<int>(part);
    }
    return length;
}

int TlsChannel::Receive(char* bytes, int length, long seconds) {
    if (session_ == nullptr || length <= 0) return SOCKET_ERROR;
    Session& s = *session_;
    const net::Clock::time_point limit = net::After(kRecordSeconds);
    while (s.plainLength == 0) {
        SECURITY_STATUS status = s.incomingLength > 0 ? s.Decrypt() : SEC_E_INCOMPLETE_MESSAGE;
        // The server's close_notify.
        if (status == SEC_I_CONTEXT_EXPIRED) return 0;
        if (status == SEC_E_OK) continue;
        // Anything else, a renegotiation included, ends the connection.
        if (status != SEC_E_INCOMPLETE_MESSAGE) return SOCKET_ERROR;
        net::Clock::time_point silence = net::After(seconds);
        int count = s.Read(silence < limit ? silence : limit);
        if (count <= 0) return count;
    }
    int count = length < s.plainLength ? length : s.plainLength;
    std::memcpy(bytes, s.plain + s.plainStart, static_cast<size_t>(count));
    s.plainStart += count;
    s.plainLength -= count;
    return count;
}

bool TlsChannel::HasBuffered() const {
    return session_ != nullptr && (session_->plainLength > 0 || session_->incomingLength > 0);
}

void TlsChannel::Close() {
    delete session_;
    session_ = nullptr;
}
