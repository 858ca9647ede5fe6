# shellcheck shell=bash
# shellcheck disable=SC2034 # the variables set here are for the tools that source this file
# Sourced by the tools, never run: `. "$(dirname "$0")/setup-lib.sh"` before
# the tool changes folder. It installs what the build and the tests need,
# quietly and only when something is missing, builds presets, prints a tool's
# usage, and holds the facts the tools share.

# The size of the private X display that Wine runs on, and of Wine's virtual
# desktop on it.
SCREEN_SIZE=1024x768

# How many compilers a build runs at once: our machines have two cores. (The
# build presets in CMakePresets.json, which cannot read this file, say the
# same for `cmake --build --preset`.)
BUILD_JOBS=2

# The tool that sourced this file, by its full path.
tool_file=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

# usage: the tool's "# Usage:" comment block, up to its first line that is
# not a comment, without the comment marks.
usage() {
    awk '/^# Usage:/ { on = 1 } on && !/^#/ { exit } on { sub(/^# ?/, ""); print }' "$tool_file"
}

# usage_error MESSAGE...: the message and the usage on standard error; status 2.
usage_error() {
    echo "tools/${tool_file##*/}: $*" >&2
    usage >&2
    exit 2
}

PACKAGES=(
    cmake g++ make libgtest-dev googletest libbenchmark-dev clang
    # The Clang preset's C++ library.
    libc++-dev libc++abi-dev
    g++-mingw-w64-i686-posix mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
    wine wine64 wine32:i386 fonts-wine
    xvfb xauth clang-format shellcheck
    # Linux on other processors: the cross compilers, and qemu-user to run
    # their programs. (Never g++-multilib: it removes the aarch64 compiler.)
    g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-s390x-linux-gnu qemu-user-static
    # blaterix-cli's tests: a pseudo-terminal (script), stdbuf and timeout,
    # the man page, both completions and the Debian package (lintian, man -l).
    bsdutils coreutils mandoc bash-completion zsh dpkg-dev file gzip lintian man-db
    # The WebAssembly module (clang 14 for wasm32-wasi, no Emscripten) and the
    # page's tests in Debian's Chromium.
    clang-14 lld-14 llvm-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
    libclang-rt-14-dev-wasm32 chromium fonts-dejavu-core
)

# node and npm for the page and its tests: Debian's, only where there is no
# node at all (a newer one from elsewhere stays, with the npm it brings).
node_packages() {
    command -v node >/dev/null 2>&1 || echo nodejs
    command -v npm >/dev/null 2>&1 || echo npm
}

# The emulated machine that runs 32-bit code where this machine cannot.
GUEST_PACKAGES=(qemu-system-x86 e2fsprogs)

# Only for showing the program: screenshots.
SHOW_PACKAGES=(imagemagick)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
            echo "$p"
    done
}

# ensure_packages [EXTRA...]: the build and test packages plus any extra ones.
ensure_packages() {
    local missing node
    mapfile -t node < <(node_packages)
    mapfile -t missing < <(missing_packages "${PACKAGES[@]}" "${node[@]}" "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local log=/tmp/blaterix-apt.log
    if ! {
        as_root dpkg --add-architecture i386 &&
            as_root apt-get update -q &&
            as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    } >"$log" 2>&1; then
        echo "package installation failed; its log:" >&2
        tail -n 60 "$log" >&2
        return 1
    fi
}

# True when a 32-bit x86 program can run here (some kernels turn ia32 off).
can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Picks the Windows build that this machine can run: sets PRESET and LOADER.
choose_windows_build() {
    if can_run_32bit; then
        PRESET=win32
        LOADER=/usr/lib/wine/wine
    else
        PRESET=win64
        LOADER=/usr/lib/wine/wine64
    fi
}

# build_targets PRESET [TARGET...]: configures and builds the targets of a
# preset (all of it when none is named) in its own tree, or in BUILD_DIR when
# that is set; quietly, unless it fails: then the end of its log shows.
build_targets() {
    local preset=$1
    shift
    local dir=${BUILD_DIR:-build/$preset}
    local log=$dir.build.log
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    mkdir -p "$(dirname "$dir")"
    { cmake --preset "$preset" -B "$dir" && cmake --build "$dir" -j"$BUILD_JOBS" "${targets[@]}"; } >"$log" 2>&1 ||
        { tail -n 60 "$log" >&2; return 1; }
}
