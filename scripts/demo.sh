#!/usr/bin/env bash
# The main job: sets up the machine, builds QORVANT and shows the command-line tool
# programming the built-in simulated keyboard, whose memory lives in a state file:
# detect it, write the shipped example profile, read it back into a new profile, show
# that, press some keys and read the counters.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

ctl="$PWD/build/bin/qorvantctl"
work="$(mktemp -d "${TMPDIR:-/tmp}/qorvant-demo.XXXXXX")"
trap 'rm -rf "$work"' EXIT
state="$work/keyboard.state"
trace="$work/trace.log"
sim=(--simulate=1 --state "$state")

say() { printf '\n== %s\n' "$*"; }
run() {
    printf '$ qorvantctl %s\n' "$*"
    "$ctl" "$@"
}

say "Which keyboard is there? (the simulated one, model 1; its memory goes to $state)"
run "${sim[@]}" detect
run "${sim[@]}" --trace "$trace" version
echo "The two reports of the version query, as the trace recorded them:"
cut -c1-50 "$trace" | sed 's/$/ .../'

say "Write the example profile (every key assignment, then the backlight)"
: >"$trace"
run "${sim[@]}" --trace "$trace" write examples/example.pro
echo "The keyboard received $(grep -c '^> ' "$trace") reports (key slots, then the backlight)."

say "Read everything back from the keyboard into a new profile"
run "${sim[@]}" read "$work/readback.pro"

say "The profile read back: <key> <layer> <mode> <assignment>"
run show "$work/readback.pro"

say "The assignments that differ from the factory configuration"
run "${sim[@]}" defaults "$work/factory.pro"
diff <("$ctl" show "$work/factory.pro") <("$ctl" show "$work/readback.pro") | grep '^>' || true

say "Press some keys on the simulated keyboard"
run "${sim[@]}" sim-press 28 12
run "${sim[@]}" sim-press 43 7
run "${sim[@]}" sim-press 70 30
run "${sim[@]}" sim-press 1

say "Read the press counters (keys never pressed are left out here)"
printf '$ qorvantctl %s\n' "${sim[*]} counters"
"$ctl" "${sim[@]}" counters | awk '$NF != "0" || /^(most|least):/'

say "Done"
