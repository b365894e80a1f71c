#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The host on a Wayland compositor (weston, headless): the page opens on it, and a tap on a
# row's title is stored by the daemon.
set -euo pipefail
bin="$LS_BUILD_DIR/bin"
"$bin/locationctl" set NetworkConnectivity false
socket="ls-wayland-$$"
weston --backend=headless-backend.so --shell=kiosk-shell.so --socket="$socket" --width=480 --height=854 \
    --idle-time=0 > "$XDG_RUNTIME_DIR/weston.log" 2>&1 &
weston=$!
trap 'kill $weston; wait $weston 2>/dev/null' EXIT
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
# Wayland only: no fallback to another platform if the compositor cannot be reached.
printf 'click ls_network_connectivity_content_item_title\nscreenshot %s\n' "$XDG_RUNTIME_DIR/page.png" |
    WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$bin/controlpanel" --page --script - 2> "$XDG_RUNTIME_DIR/host.log" ||
    { cat "$XDG_RUNTIME_DIR/host.log" "$XDG_RUNTIME_DIR/weston.log"; exit 1; }
# The section's trace line from the shared table, up to the sender.
toggled=$(sed -n 's/^netconn\.toggled\t//p' "$(dirname "$0")/../common/tracelines.txt")
toggled=${toggled//%1/true}
grep -qF "${toggled%%%2*}" "$XDG_RUNTIME_DIR/host.log"
[ "$("$bin/locationctl" get NetworkConnectivity)" = true ] || { echo "the tap was not stored"; exit 1; }
