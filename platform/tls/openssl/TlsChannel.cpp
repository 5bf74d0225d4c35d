// TlsChannel over OpenSSL 3: the TLS engine works on two memory BIOs and this
// file moves their bytes with recv and send, so every wait is ours to bound
// and nothing leaves before we hand it over. A failed handshake leaves its
// alert unsent.
#include "platform/tls/TlsChannel.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <utility>

#include "platform/net/SocketWait.h"

namespace {

// A record still incomplete this long after the call began ends the receive.
const long kRecordSeconds = 30;
const int kChunkSize = 16 * 1024;

// The system's trust store (SSL_CERT_FILE and SSL_CERT_DIR can name others)
// and TLS 1.2 at least. One context for the process, made at the first use:
// loading the store takes tens of milliseconds, too long for every check. The
// saver connects from one thread only.
SSL_CTX* ClientContext() {
    static SSL_CTX* context = nullptr;
    if (context != nullptr) return context;
    SSL_CTX* made = SSL_CTX_new(TLS_client_method());
    if (made == nullptr || SSL_CTX_set_default_verify_paths(made) != 1 ||
        SSL_CTX_set_min_proto_version(made, TLS1_2_VERSION) != 1) {
        SSL_CTX_free(made);
        return nullptr;
    }
    SSL_CTX_set_verify(made, SSL_VERIFY_PEER, nullptr);
    context = made;
    return context;
}

}  // namespace

struct TlsChannel::Session {
    SOCKET socket = 0;
    net::KeepWaiting keepWaiting;
    SSL* ssl = nullptr;
    BIO* incoming = nullptr;  // owned by ssl
    BIO* outgoing = nullptr;  // owned by ssl

    ~Session() { SSL_free(ssl); }

    bool Prepare(const char* host);
    bool Flush();
    // Reads what the socket has within the deadline into the engine: the
    // count, 0 at the end of the stream, SOCKET_ERROR on a failure or at the
    // deadline.
    int Feed(net::Clock::time_point deadline);
};

// The name or address that the certificate must hold.
bool TlsChannel::Session::Prepare(const char* host) {
    SSL_CTX* context = ClientContext();
    if (context == nullptr) return false;
    ssl = SSL_new(context);
    incoming = BIO_new(BIO_s_mem());
    outgoing = BIO_new(BIO_s_mem());
    if (ssl == nullptr || incoming == nullptr || outgoing == nullptr) {
        BIO_free(incoming);
        BIO_free(outgoing);
        return false;
    }
    SSL_set_bio(ssl, incoming, outgoing);
    in_addr address;
    address.s_addr = inet_addr(host);
    if (address.s_addr != INADDR_NONE) {
        // No name is sent for an address: SNI carries host names only.
        if (X509_VERIFY_PARAM_set1_ip(SSL_get0_param(ssl),
                                      reinterpret_cast<const unsigned char*>(&address),
                                      sizeof address) != 1)
            return false;
    } else {
        SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        if (SSL_set_tlsext_host_name(ssl, host) != 1 || SSL_set1_host(ssl, host) != 1) return false;
    }
    SSL_set_connect_state(ssl);
    return true;
}

bool TlsChannel::Session::Flush() {
    char chunk[kChunkSize];
    while (BIO_ctrl_pending(outgoing) > 0) {
        int count = BIO_read(outgoing, chunk, sizeof chunk);
        if (count <= 0 || !net::SendAll(socket, chunk, count)) return false;
    }
    return true;
}

int TlsChannel::Session::Feed(net::Clock::time_point deadline) {
    char chunk[kChunkSize];
    if (!net::WaitFor(socket, net::Await::kReadable, deadline, keepWaiting)) return SOCKET_ERROR;
    int count = recv(socket, chunk, sizeof chunk, 0);
    if (count <= 0) return count;
    return BIO_write(incoming, chunk, count) == count ? count : SOCKET_ERROR;
}

TlsChannel::TlsChannel(net::KeepWaiting keepWaiting)
    : session_(nullptr), keepWaiting_(std::move(keepWaiting)) {}

TlsChannel::~TlsChannel() {
    Close();
}

bool TlsChannel::Open(SOCKET connected, const char* host, long seconds) {
    Close();
    const net::Clock::time_point deadline = net::After(seconds);
    Session* session = new Session;
    session->socket = connected;
    session->keepWaiting = keepWaiting_;
    ERR_clear_error();
    bool done = session->Prepare(host);
    while (done) {
        int result = SSL_do_handshake(session->ssl);
        if (result == 1) {
            done = session->Flush();
            break;
        }
        // The certificate is checked inside the handshake: a refusal ends it
        // here, with its alert still in the outgoing BIO.
        done = SSL_get_error(session->ssl, result) == SSL_ERROR_WANT_READ && session->Flush() &&
               session->Feed(deadline) > 0;
    }
    ERR_clear_error();
    if (!done) {
        delete session;
        return false;
    }
    session_ = session;
    return true;
}

int TlsChannel::Send(const char* bytes, int length) {
    if (session_ == nullptr || length <= 0) return SOCKET_ERROR;
    ERR_clear_error();
    if (SSL_write(session_->ssl, bytes, length) != length || !session_->Flush())
        return SOCKET_ERROR;
    return length;
}

int TlsChannel::Receive(char* bytes, int length, long seconds) {
    if (session_ == nullptr || length <= 0) return SOCKET_ERROR;
    const net::Clock::time_point limit = net::After(kRecordSeconds);
    ERR_clear_error();
    for (;;) {
        int count = SSL_read(session_->ssl, bytes, length);
        // Post-handshake messages may ask for an answer.
        if (!session_->Flush()) return SOCKET_ERROR;
        if (count > 0) return count;
        switch (SSL_get_error(session_->ssl, count)) {
            case SSL_ERROR_ZERO_RETURN:
                return 0;
            case SSL_ERROR_WANT_READ: {
                net::Clock::time_point silence = net::After(seconds);
                int fed = session_->Feed(silence < limit ? silence : limit);
                if (fed <= 0) return fed;
                break;
            }
            default:
                return SOCKET_ERROR;
        }
    }
}

bool TlsChannel::HasBuffered() const {
    return session_ != nullptr &&
           (SSL_has_pending(session_->ssl) == 1 || BIO_ctrl_pending(session_->incoming) > 0);
}

void TlsChannel::Close() {
    delete session_;
    session_ = nullptr;
}
