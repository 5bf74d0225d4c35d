// The throwaway Dovecot POP3 server of the tests (scripts/lib/dovecot/run-dovecot).
// ctest starts it once before the first test whose name contains "Dovecot" and
// stops it after the last one, checking that no message was removed or changed
// (fixture "dovecot", tests/support/CMakeLists.txt). A test finds it with
// FindDovecot, which fails the test loudly when none is running. To run such a
// test by hand:
//   scripts/lib/dovecot/run-dovecot start /tmp/dc
//   LETTERGLASS_DOVECOT=/tmp/dc build/native-asan/tests/letterglass_tests --gtest_filter='Dovecot*'
//   scripts/lib/dovecot/run-dovecot stop /tmp/dc
// Users, each with the password kDovecotPassword: "reader" (six messages, see
// run-dovecot), "empty" (none) and "bulk" (twelve short ones). The TLS
// listener's certificate comes from the fixture's test CA: tests that use it
// need the "tls" fixture too, which makes that CA trusted (natively through
// SSL_CERT_FILE=FOLDER/tls/ca.pem).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern const char kDovecotPassword[];

struct DovecotServer {
    std::string host;
    int port = 0;
    int tlsPort = 0;     // POP3 over TLS, certificate for "localhost" and 127.0.0.1
    std::string folder;  // the fixture's folder, as this program opens it
};

::testing::AssertionResult FindDovecot(DovecotServer& server);

// Sorted contents of a user's messages: as the fixture placed them, and as
// they are now in the user's Maildir.
std::vector<std::string> PlacedMessages(const DovecotServer& server, const std::string& user);
std::vector<std::string> StoredMessages(const DovecotServer& server, const std::string& user);
