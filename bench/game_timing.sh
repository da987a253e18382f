#!/usr/bin/env bash
# Whole-game timings of the real binary, headless at 800 x 600 with the default content:
# start-up to the first menu frame, frames per second of the menu and of a busy playing scene,
# peak resident memory. Each figure is the difference of two scripted runs, so start-up and exit
# cancel out. Usage: bench/game_timing.sh [BUILD_DIR] (default build, made by `make build`).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
frames=${FRAMES:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build/game/." "$work/"
cd "$work"

# Seconds of wall time and the peak resident KiB of one run of the script in $1.
run() {
  /usr/bin/time -f "%e %M" -o time.txt "$build/aviorra" --headless --input "$1" >/dev/null 2>err.txt ||
    { cat err.txt >&2; exit 1; }
  cat time.txt
}

# Up to the first menu frame, then exit.
printf 'seed 1\n1 16\n' >first.txt
# The menu for $frames frames more.
printf 'seed 1\n1 16\n%d 16\n' "$frames" >menu.txt
# A new game, some seconds to let the enemies come in, then $frames frames of flying with the gun
# held, steering left and right, bombs now and then.
{
  printf 'seed 1\n1 16\n60 16\n1 16 ENTER\n300 16 SPACE UP\n'
} >play_start.txt
{
  cat play_start.txt
  for ((i = 0; i < frames / 60; ++i)); do
    printf '20 16 SPACE LEFT\n20 16 SPACE RIGHT LCONTROL\n20 16 SPACE a\n'
  done
} >play.txt

best() {   # the fastest of three runs: "seconds peakKiB"
  local b=""
  for _ in 1 2 3; do
    local r; r=$(run "$1")
    if [[ -z "$b" ]] || awk -v a="${r% *}" -v c="${b% *}" 'BEGIN{exit !(a<c)}'; then b=$r; fi
  done
  echo "$b"
}

first=$(best first.txt)
menu=$(best menu.txt)
start=$(best play_start.txt)
play=$(best play.txt)
awk -v f="$first" -v m="$menu" -v s="$start" -v p="$play" -v n="$frames" 'BEGIN {
  split(f, F, " "); split(m, M, " "); split(s, S, " "); split(p, P, " ");
  printf "start-up to the first menu frame and exit: %.2f s (peak %d KiB)\n", F[1], F[2];
  printf "menu: %d frames in %.2f s: %.1f frames per second (peak %d KiB)\n", n, M[1] - F[1], n / (M[1] - F[1]), M[2];
  pf = int(n / 60) * 60;
  printf "busy playing scene: %d frames in %.2f s: %.1f frames per second (peak %d KiB)\n", pf, P[1] - S[1], pf / (P[1] - S[1]), P[2];
}'
