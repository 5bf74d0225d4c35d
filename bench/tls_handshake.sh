#!/bin/sh
# What TLS adds to a connect, natively (OpenSSL) and for the Windows build under
# Wine (Schannel): the handshake time and the memory, against the tests'
# throwaway Dovecot, with the system's roots and the test CA trusted (through
# SSL_CERT_FILE natively, in the Wine prefix of the tests under Wine). Reports,
# never judges.
#   bench/tls_handshake.sh [ROUNDS]
# Builds from the presets native and win32; BUILD_NATIVE and BUILD_WIN32 name others.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/wine-env
rounds="${1:-20}"
native="${BUILD_NATIVE:-build/native}/bench/tls_handshake"
windows="${BUILD_WIN32:-build/win32}/bench/tls_handshake.exe"
trust="${BUILD_WIN32:-build/win32}/scripts/lib/dovecot/trust_test_ca.exe"
for program in "$native" "$windows" "$trust"; do
    [ -f "$program" ] || { echo "build $program first" >&2; exit 1; }
done

# One folder for every run: its CA replaces the last run's in the Wine prefix.
dir="$PWD/build/tls-bench"
trap 'scripts/lib/dovecot/run-dovecot stop "$dir" >/dev/null || true' EXIT
scripts/lib/dovecot/run-dovecot start "$dir" >/dev/null
read -r host port <"$dir/endpoint"
read -r _ tls_port <"$dir/endpoint-tls"

# The system's roots as the saver loads them, and the test CA.
cat /etc/ssl/certs/ca-certificates.crt "$dir/tls/ca.pem" >"$dir/roots.pem"
echo "== native, OpenSSL $(openssl version | cut -d' ' -f2)"
SSL_CERT_FILE="$dir/roots.pem" "$native" "$host" "$port" localhost "$tls_port" "$rounds"

echo "== Windows build under $(wine --version), Schannel"
wine_warm_up || true  # a running wineserver makes "wineserver -p" fail
wine "$trust" "Z:$dir/tls/ca.pem" </dev/null
LC_ALL=ja_JP.UTF-8 wine "$windows" "$host" "$port" localhost "$tls_port" "$rounds" </dev/null
