#!/usr/bin/env bash
# Usage: install_package.sh CMAKE CPACK BUILD_DIR SOURCE_DIR VERSION
# Installs BUILD_DIR into a temporary prefix and checks what lands where, that the installed
# programs start, that the desktop entry validates, and that the Debian package holds it all.
set -euo pipefail

cmake_command=$1 cpack_command=$2 build=$3 source=$4 version=$5

for tool in desktop-file-validate dpkg-deb; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$cmake_command" --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log"
  exit 1
}

icons=()
for size in 16 32 48 64 128 256; do
  icons+=("share/icons/hicolor/${size}x${size}/apps/quelvane.png")
done
icons+=(share/icons/hicolor/scalable/apps/quelvane.svg)
files=(bin/quelvane bin/quelvane-cli share/quelvane/LanguageFile.ini
  share/applications/quelvane.desktop share/man/man1/quelvane-cli.1 share/doc/quelvane/README.md
  "${icons[@]}")
for file in "${files[@]}"; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for program in quelvane quelvane-cli; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
# Only the two programs: no test program, gallery or fuzzer.
extra=$(find "$prefix/bin" -mindepth 1 ! -name quelvane ! -name quelvane-cli)
[ -z "$extra" ] || fail "unexpected programs installed: $extra"
for pair in LanguageFile.ini:share/quelvane/LanguageFile.ini \
  data/quelvane.desktop:share/applications/quelvane.desktop; do
  cmp -s "$source/${pair%%:*}" "$prefix/${pair#*:}" || fail "${pair#*:} differs from ${pair%%:*}"
done

# The installed programs run from the prefix.
cli_version=$("$prefix/bin/quelvane-cli" --version) || fail "quelvane-cli --version failed"
[ "$cli_version" = "quelvane-cli $version" ] || fail "quelvane-cli --version said '$cli_version'"
gui_status=0
SDL_VIDEODRIVER=dummy "$prefix/bin/quelvane" -h 2>"$work/usage.txt" >/dev/null || gui_status=$?
[ "$gui_status" -eq 0 ] || fail "quelvane -h exited with $gui_status"
grep -q "Arguments =" "$work/usage.txt" || fail "quelvane -h printed no usage: $(cat "$work/usage.txt")"

desktop-file-validate "$prefix/share/applications/quelvane.desktop" || fail "the desktop entry does not validate"
grep -q "^\.TH QUELVANE-CLI 1 .*\"Quelvane $version\"" "$prefix/share/man/man1/quelvane-cli.1" ||
  fail "the manual page does not name version $version"
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$prefix/share/man/man1/quelvane-cli.1" 2>&1)
  [ -z "$warnings" ] || fail "the manual page has troff warnings: $warnings"
fi

# The Debian package, built into the temporary folder.
"$cpack_command" -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
packages=("$work"/package/quelvane_*.deb)
if [ ! -f "${packages[0]}" ]; then
  cat "$work/cpack.log"
  exit 1
fi
deb=${packages[0]}
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents.txt"
for file in "${files[@]}"; do
  grep -qxF "./usr/$file" "$work/contents.txt" || fail "the package lacks ./usr/$file"
done
[ "$(dpkg-deb -f "$deb" Package)" = quelvane ] || fail "the package is not named quelvane"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "the package section is not utils"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libsdl2-2.0-0 libpango-1.0-0 libcairo2 fonts-ipafont-gothic fonts-dejavu-core; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "install and package checks passed"
