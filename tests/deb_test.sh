#!/usr/bin/env bash
# Makes the Debian package of blaterix-cli from a Linux build tree with cpack
# and checks it: lintian finds nothing to say, the package holds what it
# should and names its architecture and libraries, and once unpacked its
# program runs (through COMMAND, such as an emulator, when given) and its man
# page renders with man -l.
#   deb_test.sh BUILD_DIR FIXTURES ARCHITECTURE [-- COMMAND...]
set -uo pipefail
build=$(cd "$1" && pwd)
fixtures=$2
arch=$3
shift 3
[ "${1:-}" = -- ] && shift
runner=("$@")

. "$(dirname "$0")/check.sh"

cpack -G DEB -B "$scratch/package" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1
check "cpack -G DEB succeeds" test $? -eq 0 || cat "$scratch/cpack.log" >&2
debs=("$scratch"/package/*.deb)
deb=${debs[0]}
check "cpack makes one .deb" test -f "$deb" -a "${#debs[@]}" -eq 1
[ -f "$deb" ] || { finish deb; exit; }
echo "package: $(basename "$deb")"

# Not one error or warning; lintian's own words when there are some.
lintian --fail-on error,warning --info "$deb" >"$scratch/lintian" 2>&1
check "lintian accepts the package" test $? -eq 0
check "lintian reports no error and no warning" test -z "$(grep -E '^[EW]: ' "$scratch/lintian")"
cat "$scratch/lintian"

files=(./usr/bin/blaterix-cli ./usr/share/man/man1/blaterix-cli.1.gz
    ./usr/share/bash-completion/completions/blaterix-cli
    ./usr/share/zsh/vendor-completions/_blaterix-cli
    ./usr/share/doc/blaterix-cli/copyright ./usr/share/doc/blaterix-cli/changelog.gz)
dpkg-deb -c "$deb" | awk '{print $NF}' >"$scratch/contents"
for f in "${files[@]}"; do
    check "the package holds $f" grep -qx -- "$f" "$scratch/contents"
done
check "the package holds nothing else" test "$(grep -vc '/$' "$scratch/contents")" -eq "${#files[@]}"
check "the package is blaterix-cli" test "$(dpkg-deb -f "$deb" Package)" = blaterix-cli
check "the package is for $arch" test "$(dpkg-deb -f "$deb" Architecture)" = "$arch"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
check "the package depends on the C library, with a version" grep -qE 'libc6 \(>= [0-9.]+\)' <<<"$depends"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
check "the maintainer is the developers ($maintainer)" grep -q '^The Blaterix developers <' <<<"$maintainer"

# Unpacked, as dpkg would lay it out.
unpacked=$scratch/unpacked
dpkg-deb -x "$deb" "$unpacked"
"${runner[@]}" "$unpacked/usr/bin/blaterix-cli" --utf8 --seed=0 2 >"$scratch/out"
check "the packaged program writes the expected bytes" cmp -s "$scratch/out" "$fixtures/seed0-2.utf8.txt"
"${runner[@]}" "$unpacked/usr/bin/blaterix-cli" --version >"$scratch/version"
version=$(head -n 1 "$scratch/version")
check "the package has the program's version" \
    test "blaterix-cli $(dpkg-deb -f "$deb" Version)" = "$version"
check "the packaged program names its licence" grep -q '^License: MIT' "$scratch/version"
check "the changelog's last entry is the package's version" \
    grep -q "^blaterix-cli ($(dpkg-deb -f "$deb" Version)) " \
    <(gzip -dc "$unpacked/usr/share/doc/blaterix-cli/changelog.gz" | head -n 1)

MANWIDTH=80 man -l "$unpacked/usr/share/man/man1/blaterix-cli.1.gz" >"$scratch/man.txt" 2>"$scratch/man.err"
check "man -l renders the packaged man page" test $? -eq 0 -a ! -s "$scratch/man.err"
cat "$scratch/man.err" >&2
check "the packaged man page has a name line" \
    grep -q 'blaterix-cli .* write sentences' <(col -b <"$scratch/man.txt")

finish deb
