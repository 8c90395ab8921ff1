#!/usr/bin/env bash
# The Debian package: builds it from the build tree with CPack and reads it back with dpkg-deb: every
# part of the game in its place of the games layout, nothing of the tests or tools, and dependencies
# found by shlibdeps plus the font the game draws its text with.
#   package_test.sh BUILD_DIR
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$1

work=$(mktemp -d)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
finish() {
  if [ "$failures" -eq 0 ]; then
    rm -rf "$work"
    echo "package test: all checks passed"
    exit 0
  fi
  echo "package test: $failures checks failed; the files are kept in $work" >&2
  exit 1
}

if ! (cd "$build" && cpack --config CPackConfig.cmake -B "$work") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
  finish
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb=$work/hollow-crest_${version}_$arch.deb
[ "$version" = 1.0.0 ] || fail "the version is $version, not 1.0.0"
if [ ! -f "$deb" ]; then
  ls "$work" >&2
  fail "no package named ${deb##*/}"
  finish
fi

dpkg-deb --info "$deb" >"$work/info" || fail "dpkg-deb --info cannot read the package"
# Mode, owner, path (and "-> target" for links) of every entry.
dpkg-deb --contents "$deb" | awk '{ $2 = $2; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ [^ ]+ /, ""); print }' >"$work/paths"
dpkg-deb --contents "$deb" | awk '{ print $1, $2 }' | sort -u >"$work/modes"

field() { sed -n "s/^ $1: //p" "$work/info"; }
[ "$(field Package)" = hollow-crest ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
depends=$(field Depends)
# The font the game draws its text with, and libraries only shlibdeps would have found.
for package in fonts-ipafont-gothic libc6 libsdl2-2.0-0 libsdl2-ttf-2.0-0 libepoxy0 libopenal1 libfontconfig1; do
  echo "$depends" | tr ',' '\n' | grep -qE "^ *$package( |$)" || fail "Depends lacks $package: $depends"
done

has() {
  grep -qxF -- "$1" "$work/paths" || fail "not in the package: $1"
}
data=./usr/share/games/hollow-crest/Resource_Blade
for path in ./usr/games/hollow-crest ./usr/games/hollow-crest-fullscreen \
  ./usr/lib/games/hollow-crest/gamewin ./usr/lib/games/hollow-crest/gamefull \
  "$data/Ranking/ranking_date" "$data/Ranking/inf_ranking_date" "$data/UI/CorvaneTitle_Chip.png" \
  "$data/CSV/SpecialStage.csv" "$data/Event/シナリオ改.txt" "$data/LightDate.txt" \
  ./usr/share/applications/hollow-crest.desktop ./usr/share/metainfo/org.example.HollowCrest.metainfo.xml \
  ./usr/share/man/man6/hollow-crest.6.gz "./usr/share/man/man6/hollow-crest-fullscreen.6.gz -> hollow-crest.6.gz" \
  ./usr/share/doc/hollow-crest/copyright ./usr/share/doc/hollow-crest/changelog.gz; do
  has "$path"
done
for size in 48 64 128 256; do
  has "./usr/share/icons/hicolor/${size}x${size}/apps/hollow-crest.png"
done
# Every file the asset generator wrote last.
while IFS= read -r rel; do
  has "$data/$rel"
done <"$build/tools/assetgen/assets.list"

# Nothing of the tests, tools or benchmarks; nothing outside /usr; everything root's.
if grep -E 'gamedrive|assetgen|_tests|fuzz|bench|/Testing/' "$work/paths" >&2; then
  fail "tests or tools in the package"
fi
if grep -vE '^\./(usr/.*)?$' "$work/paths" >&2; then
  fail "entries outside /usr"
fi
if awk '$2 != "root/root"' "$work/modes" | grep . >&2; then
  fail "entries not owned by root"
fi
dpkg-deb --contents "$deb" | awk '$6 ~ /^\.\/usr\/games\/hollow-crest/ && $1 != "-rwxr-xr-x" { print }' | grep . >&2 &&
  fail "launchers that are not executable"

finish
