# Sourced by run.sh and test.sh: a Wine session that lives inside the build
# folder and leaves nothing behind.
#
#   wine_session_start <build-dir> <display-mode>
#       display-mode "own": always start a private Xvfb;
#                    "current": use $DISPLAY if it answers, else start Xvfb.
#   wine_session_stop
#       kills every process of this prefix and the Xvfb started here.
#
# The prefix and its HOME are under <build-dir>/wine, so the prefix's
# Documents folder (which Wine links to $HOME) is never the real one.

dovrel_xvfb_pid=""

wine_session_start() {
    build_dir=$1
    mode=$2
    export WINEPREFIX="$build_dir/wine/prefix"
    export HOME="$build_dir/wine/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
    export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    # No Mono or Gecko installer prompt: the program needs neither.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$HOME"

    if [ "$mode" = current ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        DOVREL_VIRTUAL_DISPLAY=no
    else
        n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        dovrel_xvfb_pid=$!
        export DISPLAY=":$n"
        i=0
        until xdpyinfo >/dev/null 2>&1; do
            i=$((i + 1))
            if [ $i -gt 100 ]; then echo "Xvfb did not start" >&2; return 1; fi
            sleep 0.1
        done
        DOVREL_VIRTUAL_DISPLAY=yes
    fi
    export DOVREL_VIRTUAL_DISPLAY

    if [ ! -f "$WINEPREFIX/.dovrel-ready" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX (first run only)..." >&2
        wineboot --init >/dev/null 2>&1 || true
        wineserver -w
        # Without a window manager Wine must manage its own windows, or it
        # waits about 2 s each time a window hides and draws no caption.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.dovrel-ready"
    fi
    # One persistent server for the whole session: each test program then
    # starts in well under a second.
    wineserver -p 2>/dev/null || true  # a server may already be running for this prefix
    # Start Wine's background services now, detached from our output: if a
    # test program started them, they would inherit ctest's pipes and ctest
    # would wait for them forever.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    if [ -n "$dovrel_xvfb_pid" ]; then
        kill "$dovrel_xvfb_pid" 2>/dev/null || true
        wait "$dovrel_xvfb_pid" 2>/dev/null || true
        dovrel_xvfb_pid=""
    fi
}
