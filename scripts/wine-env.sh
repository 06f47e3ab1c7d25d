# Sourced by the scripts that run the Windows programs under Wine. Prepares,
# once per build folder, a Wine prefix whose ANSI code page is 936 (a zh_CN
# locale built into a private folder), with a Chinese font standing in for
# SimSun and windows left unmanaged (dialogs close at once without a window
# manager). Keeps one wineserver and one virtual display for the whole test
# run; scripts/wine-stop.sh ends them.
#   WINE_ROOT: the folder that holds the prefix, the locale and the display
set -euo pipefail
: "${WINE_ROOT:?}"
mkdir -p "$WINE_ROOT"
export WINEPREFIX=$WINE_ROOT/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH=$WINE_ROOT/locale

# /usr/bin/wine takes the 32-bit loader whenever it is installed, even where
# this machine cannot execute it; then the 64-bit loader serves every call.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
  mkdir -p "$WINE_ROOT/bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$WINE_ROOT/bin/$name"
    chmod +x "$WINE_ROOT/bin/$name"
  done
  export PATH=$WINE_ROOT/bin:$PATH WINELOADER=/usr/lib/wine/wine64
fi

wine_env_prepare() {
  if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 || [ -d "$LOCPATH/zh_CN.UTF-8" ]
  fi
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

  # A virtual display first: Wine's desktop process binds to the display it
  # starts with. Unless one is given or one of ours is still running.
  if [ -z "${DISPLAY:-}" ]; then
    if [ -f "$WINE_ROOT/xvfb" ] && kill -0 "$(cut -d' ' -f2 "$WINE_ROOT/xvfb")" 2>/dev/null; then
      DISPLAY=$(cut -d' ' -f1 "$WINE_ROOT/xvfb")
    else
      WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true  # bound to a display now gone
      DISPLAY=:$((200 + RANDOM % 500))
      setsid Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
      echo "$DISPLAY $!" >"$WINE_ROOT/xvfb"
      for _ in $(seq 100); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
    fi
  fi
  export DISPLAY

  # The server and Wine's own services start with no terminal or pipe of
  # ours, so that nothing waiting for our output waits for them.
  wineserver -p 600 </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/.veilwright-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    local font="WenQuanYi Micro Hei" name
    for name in SimSun NSimSun 宋体 "MS Shell Dlg" "MS Shell Dlg 2" Tahoma; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d "$font" /f </dev/null >/dev/null 2>&1
    done
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.veilwright-ready"
  else
    wineboot </dev/null >/dev/null 2>&1
  fi
}

# Tests run side by side: one of them prepares, the others wait for it.
exec {wine_env_lock}>"$WINE_ROOT/.lock"
flock "$wine_env_lock"
# Released on a failed preparation too: the daemons started here share this
# lock's open file, and would otherwise hold it against every later test.
trap 'flock -u "$wine_env_lock"' EXIT
wine_env_prepare
flock -u "$wine_env_lock"
trap - EXIT
