# Shared by tools/run and tools/screenshots: start Blaterix in a build's Wine
# environment, drive it, and photograph its windows.

# start_blaterix BUILD: starts the program in the background; BLATERIX_PID is its Wine process.
start_blaterix() {
    tools/wine-run "$1" "$1/app/Blaterix.exe" &
    BLATERIX_PID=$!
    tools/wine-run "$1" "$1/tests/drive.exe" wait
}

drive() { # drive BUILD ARGS...
    local build=$1
    shift
    tools/wine-run "$build" "$build/tests/drive.exe" "$@"
}

# window_geometry BUILD CAPTION: WxH+X+Y of the window with that caption.
window_geometry() {
    (
        . "$1/wine/env"
        xwininfo -display "$DISPLAY" -name "$2" |
            awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                 /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}'
    )
}

# screenshot BUILD FILE [GEOMETRY]: the whole display, or the part GEOMETRY covers.
screenshot() {
    (
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
