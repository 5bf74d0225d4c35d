// The tests' throwaway Dovecot (scripts/lib/dovecot/run-dovecot): ctest starts it for tests whose
// names hold "Dovecot"; its stop fails when a message was changed or marked read. Users "reader"
// (six messages), "empty", "bulk" and "trio", password kDovecotPassword. By hand: run-dovecot
// start /tmp/dc, then run the tests with LETTERGLASS_DOVECOT=/tmp/dc.
#pragma once

#include <gtest/gtest.h>

#include <string>

extern const char kDovecotPassword[];

struct DovecotServer {
    std::string host, folder;   // the folder as this program opens it
    int port = 0, tlsPort = 0;  // TLS: a certificate for localhost and 127.0.0.1
};

// Fails loudly when no Dovecot runs.
::testing::AssertionResult FindDovecot(DovecotServer& server);
