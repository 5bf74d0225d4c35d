#!/bin/sh
# A settings file written by the Linux build must read back in the Windows build
# under Wine, and the other way round. Fails without a Windows build: build the
# win32 preset first.
#   interop.sh NATIVE_TOOL WINDOWS_TOOL
set -u
native="$1"
windows="$2"
if [ ! -f "$windows" ] || ! command -v wine >/dev/null 2>&1; then
    echo "no Windows build at $windows (or no wine): build the win32 preset first"
    exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/from-linux" "$work/from-windows"
run_wine() { LC_ALL=ja_JP.UTF-8 WINEDEBUG=-all wine "$windows" "$@" </dev/null; }

status=0
"$native" write "$work/from-linux" || { echo "native write failed"; status=1; }
run_wine check "$work/from-linux" || { echo "Windows build rejects the Linux file"; status=1; }
run_wine write "$work/from-windows" || { echo "Windows write failed"; status=1; }
"$native" check "$work/from-windows" || { echo "Linux build rejects the Windows file"; status=1; }
exit $status
