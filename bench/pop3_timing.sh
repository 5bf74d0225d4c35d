#!/bin/sh
# Times one login plus n header fetches against the tests' throwaway Dovecot, for
# n = 0, 3 and 10 (user "bulk"), and with VALGRIND=1 checks the n = 10 run for
# leaks and counts its heap allocations. Reports, never judges.
#   bench/pop3_timing.sh [build/native/bench/pop3_timing]
set -eu
cd "$(dirname "$0")/.."
program="${1:-build/native/bench/pop3_timing}"
[ -x "$program" ] || { echo "build $program first (preset native)" >&2; exit 1; }

dir="$(mktemp -d /tmp/letterglass-pop3-timing.XXXXXX)"
trap 'scripts/lib/dovecot/run-dovecot stop "$dir" >/dev/null || true; rm -rf "$dir"' EXIT
scripts/lib/dovecot/run-dovecot start "$dir" >/dev/null
read -r host port <"$dir/endpoint"

for n in 0 3 10; do
    "$program" "$host" "$port" bulk postoffice "$n"
done
if [ "${VALGRIND:-0}" = 1 ]; then
    valgrind --leak-check=full --error-exitcode=1 "$program" "$host" "$port" bulk postoffice 10 2>&1 |
        grep -E 'total heap usage|definitely lost|no leaks are possible|ERROR SUMMARY|^n ='
fi
