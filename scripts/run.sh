#!/usr/bin/env bash
# The main job: sets up the machine, builds QORVANT and starts the desktop program. With a
# keyboard of the family attached it programs that one; without one it runs against the
# built-in simulated keyboard, whose memory is kept in ~/.local/state/qorvant/simulated.state
# so that what you write is still there next time.
# Without a display (a bare server or CI shell) it shows the same work through the
# command-line tool instead (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running the command-line demonstration instead." >&2
    exec bash scripts/demo.sh
fi

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

keyboard_present() {
    local dev
    for dev in /sys/class/hidraw/hidraw*/device/uevent; do
        [ -e "$dev" ] || continue
        if grep -qiE '^HID_ID=.*:00000483:00005[0-4]2C$' "$dev"; then
            return 0
        fi
    done
    return 1
}

if keyboard_present; then
    exec build/bin/QORVANT "$@"
fi
state_dir="${XDG_STATE_HOME:-$HOME/.local/state}/qorvant"
mkdir -p "$state_dir"
echo "No keyboard attached: using the simulated keyboard ($state_dir/simulated.state)." >&2
exec build/bin/QORVANT --simulate --state "$state_dir/simulated.state" "$@"
