#!/usr/bin/env bash
# The installed game: installs the build into a temporary prefix (through DESTDIR), starts it through
# its launchers with a temporary XDG_DATA_HOME on SDL's offscreen driver, and checks the player's
# folder the launchers prepare, a ranking written through it, their refusals, and that nothing under
# the prefix changed.
#   launcher_test.sh BUILD_DIR GAMEDRIVE SOURCE_DIR [TIME_SCALE]
set -uo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD_DIR GAMEDRIVE SOURCE_DIR [TIME_SCALE]" >&2
  exit 2
fi
build=$1
gamedrive=$2
source=$3
scale=${4:-1}

work=$(mktemp -d)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
finish() {
  if [ "$failures" -eq 0 ]; then
    rm -rf "$work"
    echo "launcher test: all checks passed"
    exit 0
  fi
  echo "launcher test: $failures checks failed; the files are kept in $work" >&2
  exit 1
}

# An unusual prefix below DESTDIR: the launchers must find everything relative to themselves.
prefix=$work/dest/opt/hollow
if ! DESTDIR=$work/dest cmake --install "$build" --prefix /opt/hollow >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install failed"
  finish
fi
data=$prefix/share/games/hollow-crest/Resource_Blade
launcher=$prefix/games/hollow-crest
for path in "$launcher" "$prefix/games/hollow-crest-fullscreen" "$prefix/lib/games/hollow-crest/gamewin" \
  "$prefix/lib/games/hollow-crest/gamefull" "$data/Ranking/ranking_date" "$data/Ranking/inf_ranking_date"; do
  [ -e "$path" ] || fail "not installed: ${path#"$prefix"/}"
done
[ "$failures" -eq 0 ] || finish

# Every file's path, type, size, mode, time and link target, and every file's checksum.
snapshot() {
  (cd "$prefix" && find . -printf '%p %y %s %m %T@ %l\n' | LC_ALL=C sort &&
    find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
}
snapshot >"$work/prefix.before"

xdg=$work/xdg
home=$work/home
folder=$xdg/hollow-crest
resources=$folder/Resource_Blade
mkdir -p "$xdg" "$home" "$work/run"
lock="$work/run/刃.lock"

# Whether the process holds the game's single-instance lock (a flock on the lock file).
holds_lock() {
  [ -e "$lock" ] || return 1
  local inode
  inode=$(stat -c %i "$lock") || return 1
  grep -qE "^[0-9]+: FLOCK +ADVISORY +WRITE +$1 [0-9a-f]+:[0-9a-f]+:$inode " /proc/locks
}

# Starts a launcher as the player would, waits until the game holds its single-instance lock, lets it
# run on for a while (past its start-up into the title) and ends it as the session would, with SIGTERM.
# Checks that the running process is the installed program, in the player's folder.
play() {
  local start=$1 program=$2 log=$3
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME="$xdg" XDG_RUNTIME_DIR="$work/run" \
    SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null "$start" >"$log" 2>&1 &
  local pid=$! polls=0 limit=$((30 * scale))
  # Seen in /proc/locks rather than by trying the lock, which the game would take for a second copy.
  while ! holds_lock "$pid"; do
    if ! kill -0 "$pid" 2>/dev/null || [ "$polls" -ge $((limit * 5)) ]; then
      fail "$start: the game did not start (within ${limit} s):"
      cat "$log" >&2
      kill -KILL "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
      return
    fi
    sleep 0.2
    polls=$((polls + 1))
  done
  [ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$prefix/lib/games/hollow-crest/$program")" ] ||
    fail "$start: the running process is not the installed $program"
  [ "$(readlink -f "/proc/$pid/cwd")" = "$(readlink -f "$folder")" ] ||
    fail "$start: the game does not run in $folder"
  # The title is up about 2.5 s after the start on a loaded machine (its files all read by then).
  sleep $((8 * scale))
  if ! kill -0 "$pid" 2>/dev/null; then
    fail "$start: the game ended during its start-up:"
    cat "$log" >&2
    wait "$pid" 2>/dev/null
    return
  fi
  kill -TERM "$pid"
  local n=0
  while kill -0 "$pid" 2>/dev/null && [ "$n" -lt $((50 * scale)) ]; do
    sleep 0.2
    n=$((n + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "$start: the game did not end on SIGTERM"
    kill -KILL "$pid"
  fi
  wait "$pid" 2>/dev/null
  # The launcher's own complaints and the game's error messages both start a line with their source.
  if grep -E '^(hollow-crest[a-z-]*|エラー): ' "$log" >&2; then
    fail "$start: errors on standard error"
  fi
}

# Each entry of the installed folder $1 is a link into the prefix in the player's folder $2, but for
# the names in $3; the player's folder has no entries of its own but for Mine.txt.
check_links() {
  local when=$1 installed=$2 own=$3 keep=$4 entry name link extra
  for entry in "$installed"/*; do
    name=${entry##*/}
    case " $keep " in *" $name "*) continue ;; esac
    link=$own/$name
    if [ ! -L "$link" ]; then
      fail "$when: ${link#"$resources"/} is not a link"
    elif [ "$(readlink -f "$link")" != "$(readlink -f "$entry")" ]; then
      fail "$when: ${link#"$resources"/} links to $(readlink "$link"), not into the prefix"
    fi
  done
  extra=$(for entry in "$own"/* "$own"/.[!.]*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    [ -e "$installed/$name" ] || [ "$name" = Mine.txt ] || echo "$name"
  done)
  [ -z "$extra" ] || fail "$when: entries that are not in the installed data: $extra"
}

# The folder is right: the installed entries linked, Ranking/ a real folder whose ranking files are
# real files and whose other files are links.
check_folder() {
  local when=$1 file
  check_links "$when" "$data" "$resources" Ranking
  if [ ! -d "$resources/Ranking" ] || [ -L "$resources/Ranking" ]; then
    fail "$when: Ranking/ is not a real folder"
  fi
  check_links "$when" "$data/Ranking" "$resources/Ranking" "ranking_date inf_ranking_date"
  for file in ranking_date inf_ranking_date; do
    [ -f "$resources/Ranking/$file" ] && [ ! -L "$resources/Ranking/$file" ] || fail "$when: Ranking/$file is not a real file"
  done
}

# First start: the folder is made from nothing.
play "$launcher" gamewin "$work/first.log"
check_folder "first start"
for file in ranking_date inf_ranking_date; do
  cmp -s "$data/Ranking/$file" "$resources/Ranking/$file" || fail "first start: Ranking/$file is not the starting one"
done

# Second start, the full-screen one through a link to its launcher (as in a folder on PATH), after the
# player's ranking changed, the endless ranking was deleted, one link went wrong, a link of an older
# install was left behind and the player put a file of his own in.
sed -i '1s/-ROWEN-/-TESTR-/' "$resources/Ranking/ranking_date"
cp "$resources/Ranking/ranking_date" "$work/ranking_date.changed"
rm "$resources/Ranking/inf_ranking_date"
rm "$resources/UI" && ln -s "$work/nowhere" "$resources/UI"
ln -s "$data/Gone" "$resources/Gone"
rm "$resources/Ranking/ranking_chip.png"
echo mine >"$resources/Mine.txt"
mkdir -p "$work/bin"
ln -s "$prefix/games/hollow-crest-fullscreen" "$work/bin/hollow-crest-fullscreen"
play "$work/bin/hollow-crest-fullscreen" gamefull "$work/second.log"
check_folder "second start"
cmp -s "$work/ranking_date.changed" "$resources/Ranking/ranking_date" || fail "second start: the changed ranking was replaced"
cmp -s "$data/Ranking/inf_ranking_date" "$resources/Ranking/inf_ranking_date" ||
  fail "second start: the deleted endless ranking was not seeded again"
[ ! -e "$resources/Gone" ] && [ ! -L "$resources/Gone" ] || fail "second start: the stale link is still there"
[ "$(cat "$resources/Mine.txt" 2>/dev/null)" = mine ] || fail "second start: the player's own file was touched"

# A run that writes a ranking, in the prepared folder: the name lands in the player's file.
if ! (cd "$work" && "$gamedrive" --headless --script "$source/tools/gamedrive/scripts/game_story_stage4_ending.txt" \
  --workdir "$folder" >"$work/drive.out" 2>"$work/drive.err"); then
  cat "$work/drive.err" >&2
  fail "the driver's run in the prepared folder failed"
fi
grep -q -- '-BLADE-4-4000-' "$resources/Ranking/ranking_date" || fail "the run's ranking line is not in the player's ranking"
grep -q -- '-TESTR-' "$resources/Ranking/ranking_date" || fail "the player's earlier ranking is gone after the run"

# The launchers' refusals: one line on standard error, a non-zero status and nothing made.
# Each case: description, expected status, expected words, then the environment and launcher.
printf 'a file' >"$work/plain-file"
cp -a "$prefix" "$work/no-ranking" && rm "$work/no-ranking/share/games/hollow-crest/Resource_Blade/Ranking/ranking_date"
cp -a "$prefix" "$work/no-program" && rm "$work/no-program/lib/games/hollow-crest/gamewin"
cp -a "$prefix" "$work/no-data" && rm -r "$work/no-data/share/games/hollow-crest"
fresh=$work/fresh
refuse() {
  local what=$1 status=$2 words=$3
  shift 3
  rm -rf "$fresh"
  mkdir -p "$fresh"
  env -u DISPLAY "$@" >"$work/refused.out" 2>"$work/refused.err"
  local got=$?
  [ "$got" -eq "$status" ] || fail "$what: status $got, not $status"
  [ "$(wc -l <"$work/refused.err")" -eq 1 ] || fail "$what: not one line on standard error: $(cat "$work/refused.err")"
  grep -q -- "$words" "$work/refused.err" || fail "$what: the message does not say '$words': $(cat "$work/refused.err")"
  [ -z "$(ls -A "$fresh")" ] || fail "$what: something was made: $(cd "$fresh" && find .)"
}
refuse "no HOME" 1 "HOME is not set" -u HOME -u XDG_DATA_HOME "$launcher"
refuse "no HOME, a relative XDG_DATA_HOME" 1 "HOME is not set" -u HOME XDG_DATA_HOME=relative/path "$launcher"
refuse "a data home that is a file" 1 "cannot make the game's folder" HOME="$fresh" XDG_DATA_HOME="$work/plain-file" "$launcher"
refuse "no starting ranking" 1 "starting ranking is missing" HOME="$fresh" XDG_DATA_HOME="$fresh" \
  "$work/no-ranking/games/hollow-crest"
refuse "no program" 1 "program is missing" HOME="$fresh" XDG_DATA_HOME="$fresh" "$work/no-program/games/hollow-crest"
refuse "no data" 1 "data is missing" HOME="$fresh" XDG_DATA_HOME="$fresh" "$work/no-data/games/hollow-crest-fullscreen"
refuse "an argument" 2 "takes no arguments" HOME="$fresh" XDG_DATA_HOME="$fresh" "$launcher" --help
if [ "$(id -u)" -ne 0 ]; then
  # Permissions bind everyone but root.
  mkdir -p "$work/read-only" && chmod 555 "$work/read-only"
  refuse "a read-only data home" 1 "cannot make the game's folder" HOME="$fresh" XDG_DATA_HOME="$work/read-only" "$launcher"
  [ -z "$(ls -A "$work/read-only")" ] || fail "a read-only data home: something was made in it"
  chmod 755 "$work/read-only"
fi

snapshot >"$work/prefix.after"
if ! diff "$work/prefix.before" "$work/prefix.after" >"$work/prefix.diff"; then
  cat "$work/prefix.diff" >&2
  fail "files under the prefix changed"
fi

finish
