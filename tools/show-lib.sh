# shellcheck shell=bash
# Sourced by tools/run and tools/screenshots, never run: start Blaterix in a
# build's Wine environment, drive it, and photograph its windows. The
# captions and control identifiers stay in the program's header: drive knows
# them. The functions run from the checkout's top folder.

# start_blaterix BUILD: starts the program in the background and waits for its window.
start_blaterix() {
    tools/wine-run "$1" "$1/app/Blaterix.exe" &
    blaterix_pid=$!
    tools/wine-run "$1" "$1/tests/drive.exe" wait
}

# close_blaterix BUILD: closes the program that start_blaterix started; its status.
close_blaterix() {
    drive "$1" close
    wait "$blaterix_pid"
}

drive() { # drive BUILD ARGS...
    local build=$1
    shift
    tools/wine-run "$build" "$build/tests/drive.exe" "$@"
}

# window_geometry BUILD WINDOW: WxH+X+Y of the main or the about window.
# Wine's one virtual desktop covers the private display from its corner, so
# the program's screen coordinates are the display's.
window_geometry() {
    drive "$1" geometry "$2" | tr -d '\r'
}

# screenshot BUILD FILE [GEOMETRY]: the whole display, or the part GEOMETRY covers.
screenshot() {
    (
        # shellcheck source=/dev/null # the build's Wine environment, written by tools/wine-env
        . "$1/wine/env"
        # Give the program a moment to paint what it has just been told to.
        sleep 1
        if [ -n "${3:-}" ]; then
            import -display "$DISPLAY" -window root -crop "$3" +repage "$2"
        else
            import -display "$DISPLAY" -window root "$2"
        fi
    )
}

# in_guest: true inside the emulated machine that a tool started for itself.
in_guest() {
    [ "${BLATERIX_IN_GUEST:-}" = 1 ]
}

# rerun_in_guest WRITABLE SCRIPT: on a machine that cannot execute 32-bit
# code, builds the 32-bit program and runs SCRIPT again inside the emulated
# machine (tools/guest), where it can; only WRITABLE keeps what the guest
# writes. Exits with SCRIPT's status.
rerun_in_guest() {
    local writable=$1 script=$2
    ensure_packages "${GUEST_PACKAGES[@]}"
    echo "building the 32-bit program (preset win32)..."
    build_targets win32 Blaterix drive
    echo "this machine cannot execute 32-bit code: running the 32-bit program inside an"
    echo "emulated machine (tools/guest); its first Wine start there takes a few minutes"
    mkdir -p "$writable"
    local rc=0
    tools/guest --timeout 1800 --writable "$writable" -- env BLATERIX_IN_GUEST=1 "$script" || rc=$?
    exit "$rc"
}
