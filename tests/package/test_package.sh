#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the source (the files git
# knows, without any build folder), has lintian look at it (an error fails),
# unpacks it into a scratch root and runs the program found there. The build
# runs without the test suites, so it costs about one build of the program.
#   test_package.sh [OUTPUT-DIR]   keeps the .deb and the logs there
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d /tmp/tastarion-package.XXXXXX)"
out="${1:-$work}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"  # the build runs in the copy
trap 'rm -rf "$work"' EXIT

fail() {
  echo "package: $*" >&2
  exit 1
}

# What the package's build needs is what the developers' script installs, so
# that a package that builds here builds on a machine set up by that script.
build_depends="$(sed -n '/^Build-Depends:/,/^[A-Z][A-Za-z-]*:/p' "$src/debian/control" |
  sed -e 's/^Build-Depends://' -e '/^[A-Z][A-Za-z-]*:/d' | tr ',' '\n' |
  sed -e 's/[(<].*//' -e 's/^ *//' -e 's/ *$//' | grep -v -e '^$' -e '^debhelper-compat$')"
for package in $build_depends; do
  grep -qE "(^| )$package( |$)" "$src/scripts/install-deps.sh" ||
    fail "Build-Depends names $package, which scripts/install-deps.sh does not install"
done

# The copy: tracked and new files that .gitignore does not exclude.
mkdir "$work/tastarion"
git -C "$src" ls-files -z --cached --others --exclude-standard |
  tar -C "$src" --null --ignore-failed-read -T - -cf - 2> /dev/null | tar -C "$work/tastarion" -xf -
cd "$work/tastarion"
dpkg-checkbuilddeps || fail "build dependencies missing: run 'sudo apt-get build-dep ./'"

# Repeated builds reuse the compiler's cache when there is one; debhelper points
# HOME into the copy, so the cache is named before.
if command -v ccache > /dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir 2> /dev/null || echo "$HOME/.cache/ccache")}"
fi
started=$SECONDS
if ! DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -b \
  > "$out/dpkg-buildpackage.log" 2>&1; then
  tail -n 40 "$out/dpkg-buildpackage.log"
  fail "dpkg-buildpackage failed; the whole output is in $out/dpkg-buildpackage.log"
fi
deb="$(ls "$work"/tastarion_*.deb)"
cp "$deb" "$out/"
echo "package: built $(basename "$deb") in $((SECONDS - started)) s"

# lintian's exit status is the verdict on errors; its warnings are shown.
lintian_status=0
lintian --fail-on error --tag-display-limit 0 "$deb" > "$out/lintian.log" 2>&1 || lintian_status=$?
sed 's/^/lintian: /' "$out/lintian.log"
[ "$lintian_status" -eq 0 ] || fail "lintian found errors"

# What a player's system gets, and the program from it.
root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/tastarion usr/share/applications/org.example.Tastarion.desktop \
  usr/share/metainfo/org.example.Tastarion.metainfo.xml usr/share/man/man1/tastarion.1.gz \
  usr/share/icons/hicolor/scalable/apps/tastarion.svg \
  usr/share/icons/hicolor/48x48/apps/tastarion.png usr/share/doc/tastarion/copyright \
  usr/share/tastarion/translations/tastarion_de.qm usr/share/tastarion/translations/tastarion_fr.qm \
  usr/share/tastarion/translations/tastarion_es.qm usr/share/tastarion/translations/tastarion_ja.qm; do
  [ -e "$root/$file" ] || fail "the package holds no /$file"
done
version="$(sed -n 's/^project(tastarion VERSION \([^ ]*\) .*/\1/p' "$src/CMakeLists.txt")"
answer="$("$root/usr/bin/tastarion" --version)" || fail "tastarion --version failed"
[ "$answer" = "Tastarion $version" ] || fail "tastarion --version said '$answer', not 'Tastarion $version'"
# The translations are found beside the unpacked program, as in /usr.
german="$(LANG=de_DE.UTF-8 LANGUAGE= LC_ALL= LC_MESSAGES= "$root/usr/bin/tastarion" --help)"
grep -q '^Aufruf: tastarion' <<< "$german" || fail "--help is not German under LANG=de_DE: $german"
echo "package: lintian passed, the unpacked program answers '$answer' and speaks German"
