# SPDX-License-Identifier: GPL-3.0-or-later
# Shared functions of the end-to-end cases. A case script sources this file and is
# called as: case_<x>.sh <quillo program> <artefacts folder>.
#
# Every case runs the real program on an X server of its own (Xvfb) under a real
# window manager (openbox), drives it with real key presses (xdotool, through XTEST)
# and reads the results from window titles, window geometry, screenshots and the
# settings file on disk. Waits are bounded polls of a condition, never fixed sleeps.
set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_PROGRAM=""
E2E_ART=""
E2E_WORK=""
E2E_APP=""     # the program copy; its settings file is "$E2E_APP.ini"
E2E_INI=""
E2E_PID=""     # the running program
E2E_XVFB_PID=""
E2E_WM_PID=""
E2E_CASE=$(basename "$0" .sh)

e2e_log() { echo "$E2E_CASE: $*" >&2; }

e2e_fail()
{
    e2e_log "FAILED: $*"
    if [ -n "${DISPLAY:-}" ] && [ -n "$E2E_XVFB_PID" ]; then
        e2e_screenshot failure >/dev/null || true
        e2e_log "windows on the display:"
        e2e_list_windows >&2 || true
    fi
    if [ -n "$E2E_INI" ] && [ -f "$E2E_INI" ]; then
        e2e_log "settings file:"
        sed 's/^/    /' "$E2E_INI" >&2
    fi
    exit 1
}

e2e_cleanup()
{
    local pid
    for pid in "$E2E_PID" "$E2E_WM_PID" "$E2E_XVFB_PID"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    if [ -n "$E2E_WORK" ]; then rm -rf "$E2E_WORK"; fi
}

# e2e_init PROGRAM ARTEFACTS: a private work folder (removed on exit), the program
# copied into it so that it keeps its settings file beside itself, and a home of
# its own so that nothing of the machine's user leaks in or out.
e2e_init()
{
    [ $# -ge 2 ] || { echo "usage: $0 <quillo program> <artefacts folder>" >&2; exit 2; }
    E2E_PROGRAM=$1
    E2E_ART=$2/$E2E_CASE
    rm -rf "$E2E_ART"
    mkdir -p "$E2E_ART"
    E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillo-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    mkdir -p "$E2E_WORK/app" "$E2E_WORK/home" "$E2E_WORK/pictures"
    cp "$E2E_PROGRAM" "$E2E_WORK/app/quillo"
    E2E_APP=$E2E_WORK/app/quillo
    E2E_INI=$E2E_APP.ini
    export HOME=$E2E_WORK/home
    export XDG_CONFIG_HOME=$HOME/.config
    export XDG_RUNTIME_DIR=$E2E_WORK/runtime
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
    export LC_ALL=C.UTF-8
}

# e2e_poll TRIES COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most
# TRIES times; fails (status 1) when it never did.
e2e_poll()
{
    local tries=$1
    shift
    local i
    for ((i = 0; i < tries; i++)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

e2e_display_ready() { [ -s "$E2E_WORK/display" ] && grep -q . "$E2E_WORK/display"; }
e2e_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# e2e_start_display [WIDTHxHEIGHT]: an X server on a free display number (the
# server picks it and reports it through -displayfd), then openbox on it.
e2e_start_display()
{
    local size=${1:-1280x800}
    : > "$E2E_WORK/display"
    Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset \
        9>"$E2E_WORK/display" 2>"$E2E_WORK/xvfb.log" &
    E2E_XVFB_PID=$!
    e2e_poll 100 e2e_display_ready || { cat "$E2E_WORK/xvfb.log" >&2; e2e_fail "Xvfb did not start"; }
    export DISPLAY=:$(head -n1 "$E2E_WORK/display")
    openbox --sm-disable >"$E2E_WORK/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    e2e_poll 100 e2e_wm_ready || { cat "$E2E_WORK/openbox.log" >&2; e2e_fail "openbox did not start"; }
}

# e2e_write_ini: the settings file beside the program, from standard input.
e2e_write_ini() { cat > "$E2E_INI"; }

# e2e_window_ini FOLDER [LINE...]: a settings file for a 1000 x 700 window (not
# maximized) showing FOLDER; each LINE is one more [Layout] line.
e2e_window_ini()
{
    local folder=$1
    shift
    { printf '[Layout]\nMaximized=0\nWidth=1000\nHeight=700\n'; printf '%s\n' "$@"
      printf '[Last run]\nPath=%s\n' "$folder"; } | e2e_write_ini
}

# e2e_red_at FILE X Y: whether the pixel of the picture file is red.
e2e_red_at() { [ "$(convert "$1" -format "%[fx:p{$2,$3}.r>0.5 && p{$2,$3}.b<0.5]" info:)" = 1 ]; }
# e2e_newer FILE THAN: whether FILE changed after THAN.
e2e_newer() { [ "$1" -nt "$2" ]; }

# Run as root, the program writes its installation record under /etc/xdg. Where a
# mount namespace of its own can be had, the program sees an empty tmpfs there, so
# the cases leave the machine as they found it.
e2e_private_xdg()
{
    [ "$(id -u)" -eq 0 ] &&
        unshare --mount --propagation private sh -c 'mount -t tmpfs quillo-e2e /etc/xdg' 2>/dev/null
}

# e2e_start_quillo [ARGUMENT...]: starts the program copy with the arguments; its
# output goes to quillo.log.
e2e_start_quillo()
{
    if [ -z "${E2E_PRIVATE_XDG:-}" ]; then
        E2E_PRIVATE_XDG=no
        if e2e_private_xdg; then E2E_PRIVATE_XDG=yes; fi
    fi
    if [ "$E2E_PRIVATE_XDG" = yes ]; then
        # unshare and sh exec the program, so E2E_PID is the program's own.
        unshare --mount --propagation private \
            sh -c 'mount -t tmpfs quillo-e2e /etc/xdg && exec "$@"' sh "$E2E_APP" "$@" \
            >>"$E2E_WORK/quillo.log" 2>&1 &
    else
        "$E2E_APP" "$@" >>"$E2E_WORK/quillo.log" 2>&1 &
    fi
    E2E_PID=$!
}

e2e_running() { [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; }

# e2e_find_window TITLE: prints the ids of visible windows whose title is exactly
# TITLE (a Qt window's title is in _NET_WM_NAME and WM_NAME).
e2e_find_window()
{
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\.*^$?+(){}|]/\\&/g')
    xdotool search --onlyvisible --name "^${pattern}\$" 2>/dev/null
}

# e2e_wait_window TITLE [TRIES]: waits until a window with exactly that title is
# visible and prints its id; fails the case when it never shows.
e2e_wait_window()
{
    local title=$1 tries=${2:-200} i ids
    for ((i = 0; i < tries; i++)); do
        ids=$(e2e_find_window "$title" || true)
        if [ -n "$ids" ]; then
            head -n1 <<<"$ids"
            return 0
        fi
        e2e_running || e2e_fail "quillo ended while waiting for \"$title\": $(cat "$E2E_WORK/quillo.log")"
        sleep 0.1
    done
    e2e_fail "no window titled \"$title\""
}

e2e_window_gone() { [ -z "$(e2e_find_window "$1" || true)" ]; }

# e2e_wait_gone TITLE [TRIES]: waits until no visible window has that title.
e2e_wait_gone()
{
    e2e_poll "${2:-200}" e2e_window_gone "$1" || e2e_fail "window \"$1\" did not go away"
}

# e2e_wait_main: the main window shown and the splash window closed, so the
# settings are read, the stored folder is listed and the actions act. Prints the
# main window's id.
e2e_wait_main()
{
    local id
    id=$(e2e_wait_window "Brackwater Quillo III")
    e2e_wait_gone "Starting up..."
    echo "$id"
}

# e2e_list_windows: id and title of every visible window with a title.
e2e_list_windows()
{
    local id
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        printf '    %s %s "%s"\n' "$id" "$(e2e_geometry "$id")" "$(e2e_title "$id" 2>/dev/null)"
    done
}

e2e_active_window() { xdotool getactivewindow 2>/dev/null; }
e2e_is_active() { [ "$(e2e_active_window)" = "$1" ]; }

# e2e_activate WINDOW: gives the window the focus through the window manager and
# waits until it has it.
e2e_activate()
{
    e2e_is_active "$1" && return 0
    xdotool windowactivate "$1" 2>/dev/null || true
    e2e_poll 50 e2e_is_active "$1" || e2e_fail "window $1 did not get the focus"
}

# e2e_key WINDOW KEY...: real key presses (XTEST) into the focused window, after
# making WINDOW the focused one.
e2e_key()
{
    local window=$1
    shift
    e2e_activate "$window"
    xdotool key --clearmodifiers "$@"
}

# e2e_title WINDOW: the window's title.
e2e_title() { xdotool getwindowname "$1"; }

# e2e_geometry WINDOW: "X Y WIDTH HEIGHT" of the window's client area, in root
# coordinates.
e2e_geometry()
{
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

# e2e_wm_state WINDOW: the window manager's state atoms of the window, one line.
e2e_wm_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | sed -n 's/^_NET_WM_STATE(ATOM) = //p'; }

# e2e_expect_fullscreen WHAT WINDOW: fullscreen, not maximised (which stops at panels).
e2e_fullscreen() { [[ "$(e2e_wm_state "$1")" == *FULLSCREEN* && "$(e2e_wm_state "$1")" != *MAXIMIZED* ]]; }
e2e_expect_fullscreen() { e2e_poll 50 e2e_fullscreen "$2" || e2e_fail "$1: window state \"$(e2e_wm_state "$2")\""; }

# e2e_screenshot NAME: the whole screen as NAME.png among the artefacts; prints
# the file's path.
e2e_screenshot()
{
    local file=$E2E_ART/$1.png
    import -window root "$file" >/dev/null 2>&1 || xwd -root -silent | convert xwd:- "$file"
    echo "$file"
}

# e2e_picture_box PNG R G B [TOLERANCE]: "X Y WIDTH HEIGHT FILLED" of the box
# bounding every pixel within TOLERANCE of the colour, and whether every pixel
# inside that box has the colour (1) or not (0); "none" when no pixel has it.
e2e_picture_box()
{
    local png=$1
    shift
    convert "$png" -depth 8 ppm:- | python3 "$E2E_DIR/colour_box.py" "$@"
}

# e2e_quit WINDOW: closes the main window with a real Alt+F4 and waits until the
# program has ended; fails when it ended with an error status.
e2e_quit()
{
    e2e_key "$1" alt+F4
    local i
    for ((i = 0; i < 200; i++)); do
        e2e_running || break
        sleep 0.1
    done
    e2e_running && e2e_fail "quillo did not end after Alt+F4"
    local status=0
    wait "$E2E_PID" || status=$?
    E2E_PID=""
    [ "$status" -eq 0 ] || e2e_fail "quillo ended with status $status: $(cat "$E2E_WORK/quillo.log")"
}

# e2e_ini_get SECTION KEY: the value stored in the settings file (case-insensitive
# names, as the program reads them); empty when missing.
e2e_ini_get()
{
    awk -v section="$1" -v key="$2" '
        BEGIN { section = tolower(section); key = tolower(key) }
        /^\[/ { s = tolower($0); gsub(/^\[|\][ \t\r]*$/, "", s); inside = (s == section); next }
        inside {
            i = index($0, "=")
            if (i > 0 && tolower(substr($0, 1, i - 1)) == key) { print substr($0, i + 1); exit }
        }' "$E2E_INI"
}

# e2e_expect_eq WHAT EXPECTED ACTUAL
e2e_expect_eq()
{
    [ "$2" = "$3" ] || e2e_fail "$1: expected \"$2\", got \"$3\""
}

e2e_pass() { e2e_log "passed"; }
