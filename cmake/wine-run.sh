#!/bin/sh
# Runs a Windows program of this build under Wine in the build's own private prefix:
# @TEVPNG_WINE@ for this build's width. Used by CTest as the cross-compiling emulator;
# the caller provides the X display.
set -eu
build_dir=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="${TEVPNG_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko installer prompt when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=@TEVPNG_WINE@
if [ ! -f "$WINEPREFIX/.tevpng-ready" ]; then
    mkdir -p "$WINEPREFIX"
    # A prefix made by wine64 runs 32-bit and 64-bit programs alike.
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    # A crash must end the process with an exit code, never open a dialog.
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    # No window manager runs under Xvfb: unmanaged windows are destroyed at once
    # instead of Wine waiting two seconds for a withdraw that never comes.
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.tevpng-ready"
fi
exec "$wine" "$@"
