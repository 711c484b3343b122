# shellcheck shell=bash
# The program on a real desktop: a private X server (Xvfb, on a free display), a window
# manager (openbox unless DESK_WM names another) and a copy of the program in a
# temporary folder, so its settings files go there and nowhere else. The window
# states are read back from the X server as the window manager leaves them, which the
# offscreen suite cannot show: WM_STATE, _NET_WM_STATE, _NET_WM_ALLOWED_ACTIONS, the
# map state and the stacking order.
#
# Sourced by the scripts beside it. A script:
#
#   source "$(dirname "$0")/desktop.sh"
#   desk_begin "$1" "$2"        # the program, the folder for the pictures
#   desk_start                  # the program up, DESK_MAIN its main window
#   desk_case "what is tried"   # a heading for the log
#   desk_keys "$DESK_MAIN" alt+f b
#   batch=$(desk_find "NUVIR Batch Module") || desk_fail "no batch window"
#   desk_check "the batch window is shown" desk_shown "$batch"
#   desk_shot batch_open        # desktop_batch_open.png in the picture folder
#   desk_end                    # ends everything; status 1 when anything failed
#
# To add a case, add a function to a script (or a new script with a ctest entry with
# the label "desktop" in tests/CMakeLists.txt): bring the program into the state to
# try with desk_keys / desk_click / desk_frame_button / wmctrl and xdotool, wait for
# the window manager with desk_wait (never a bare sleep), check with desk_check, which
# notes a failure and goes on, and take a picture with desk_shot. Leave the program as
# the next case expects it (main window shown and active), or start it again with
# desk_restart. Each desk_check waits up to DESK_PATIENCE seconds (default 60) for its
# condition; desk_holds checks that a state lasts. A wait for a state that must come
# waits as long (a bound that only ends a hung run, far beyond what a loaded machine or
# a sanitizer build takes); a shorter wait is a look whose "no" is an answer too.
#
# Each case sets up what it needs (the batch window open, say) or fails at once, so that
# a script also runs one case alone. Every X client called (xprop, xwininfo, xdotool,
# wmctrl, import) has DESK_X_LIMIT seconds (default 60) to answer.
#
# DESK_WM=icewm (or fluxbox, ...) runs a script under another window manager, for a try
# by hand or for a ctest entry of cases that depend on it; DESK_SCALE=2 starts the program at twice the pixels (the scripts' click
# positions are for 1). DESK_SWITCHES=67 makes the cases that switch workspaces with a box
# open switch 67 times each (desk_switches_hold), to see a fault that comes once in many.
#
# Needs Xvfb, the window manager, xdotool, wmctrl, xprop and xwininfo (x11-utils) and
# ImageMagick's import; scripts/install-deps.sh installs them.

set -u
DESK_FAILS=0
DESK_PATIENCE=${DESK_PATIENCE:-60}
# Every X client the scripts call has this many seconds to answer: a query that cannot
# be answered fails instead of hanging the run.
DESK_X_LIMIT=${DESK_X_LIMIT:-60}
DESK_WM=${DESK_WM:-openbox}
DESK_PID=""
DESK_XPID=""
DESK_WMPID=""
DESK_MAIN=""

desk_log() { printf '%s\n' "$*"; }

# The X clients, each under the time limit. xwininfo given an empty window id would
# wait for a click on a window: it fails at once instead.
xprop() { timeout "$DESK_X_LIMIT" xprop "$@"; }
xdotool() { timeout "$DESK_X_LIMIT" xdotool "$@"; }
wmctrl() { timeout "$DESK_X_LIMIT" wmctrl "$@"; }
import() { timeout "$DESK_X_LIMIT" import "$@"; }
xwininfo() {
    local a prev=""
    for a in "$@"; do
        [ "$prev" = -id ] && [ -z "$a" ] && return 1
        prev=$a
    done
    timeout "$DESK_X_LIMIT" xwininfo "$@"
}

# A failure that ends the script at once (the desktop itself did not come up).
desk_fail() {
    desk_log "FAILED: $*"
    sed 's/^/  | /' "${DESK_TMP:-/nonexistent}/nuvir.log" 2>/dev/null | head -40
    DESK_FAILS=$((DESK_FAILS + 1))
    exit 1
}

# desk_begin PROGRAM PICTURE-FOLDER: the X server, the window manager and the copy.
desk_begin() {
    local exe="$1"
    DESK_OUT=$(cd "${2:-.}" && pwd) || desk_fail "no picture folder ${2:-.}"
    for tool in Xvfb "$DESK_WM" xdotool wmctrl xprop xwininfo import; do
        type -P "$tool" >/dev/null || desk_fail "$tool is not installed (scripts/install-deps.sh installs it)"
    done
    DESK_TMP=$(mktemp -d)
    trap desk_cleanup EXIT
    mkdir -p "$DESK_TMP/prog" "$DESK_TMP/home" "$DESK_TMP/config" "$DESK_TMP/files"
    cp "$exe" "$DESK_TMP/prog/nuvir" || desk_fail "no program at $exe"
    # The X server picks a display nobody uses and writes its number when it is ready.
    # Right after another test's server ended, the display it names can still refuse a
    # client for a moment (the old server's socket or lock going), so it is asked for an
    # answer, and started again on another display if it gives none.
    local try
    for try in 1 2 3; do
        rm -f "$DESK_TMP/display"
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$DESK_TMP/display" >"$DESK_TMP/xvfb.log" 2>&1 &
        DESK_XPID=$!
        if desk_wait "$DESK_PATIENCE" test -s "$DESK_TMP/display"; then
            export DISPLAY=":$(cat "$DESK_TMP/display")"
            desk_wait "$DESK_PATIENCE" desk_x_answers && break
        fi
        kill "$DESK_XPID" 2>/dev/null
        wait "$DESK_XPID" 2>/dev/null
        [ "$try" -lt 3 ] || desk_fail "Xvfb did not start: $(cat "$DESK_TMP/xvfb.log")"
    done
    # The window manager may meet the same refusal: it is started again when it gave up.
    for try in 1 2 3; do
        "$DESK_WM" >"$DESK_TMP/wm.log" 2>&1 &
        DESK_WMPID=$!
        desk_wait "$DESK_PATIENCE" desk_wm_up_or_gone
        desk_wm_running && break
        [ "$try" -lt 3 ] || desk_fail "$DESK_WM did not start: $(cat "$DESK_TMP/wm.log")"
        # The next one starts once this one is gone and the display answers a client.
        kill "$DESK_WMPID" 2>/dev/null
        wait "$DESK_WMPID" 2>/dev/null
        desk_wait "$DESK_PATIENCE" desk_x_answers
    done
    desk_log "desktop $DISPLAY with $DESK_WM"
}

desk_x_answers() { xprop -root _NET_SUPPORTED >/dev/null 2>&1; }
desk_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
desk_wm_up_or_gone() { desk_wm_running || ! kill -0 "$DESK_WMPID" 2>/dev/null; }

desk_cleanup() {
    desk_stop
    [ -n "$DESK_WMPID" ] && kill "$DESK_WMPID" 2>/dev/null
    [ -n "$DESK_XPID" ] && kill "$DESK_XPID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$DESK_TMP"
}

# desk_end: ends the program and gives the verdict: status 1 when a check failed or a
# sanitizer reported anything, else 0.
desk_end() {
    desk_stop
    if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$DESK_TMP/nuvir.log" 2>/dev/null; then
        desk_log "FAILED: a sanitizer reported an error"
        DESK_FAILS=$((DESK_FAILS + 1))
    fi
    if [ "$DESK_FAILS" -gt 0 ]; then
        desk_log "$DESK_FAILS check(s) failed; program log:"
        sed 's/^/  | /' "$DESK_TMP/nuvir.log" 2>/dev/null | head -60
        exit 1
    fi
    desk_log "all checks passed"
    exit 0
}

# desk_start: the program, with its settings in the temporary folder; DESK_MAIN is its
# main window once the window manager shows it.
desk_start() {
    # Built with AddressSanitizer, the program would answer for the X11 libraries' own
    # doings: their memory still held at exit, and a string read past a reply's end in
    # Qt's X event thread under strict string checks. Those two checks are off here; the
    # offscreen suite runs the program's own code with them, and any other report of a
    # sanitizer fails the run (desk_end).
    (cd "$DESK_TMP/files" && exec env HOME="$DESK_TMP/home" XDG_CONFIG_HOME="$DESK_TMP/config" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:strict_string_checks=0" \
        QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="${DESK_SCALE:-1}" "$DESK_TMP/prog/nuvir" >>"$DESK_TMP/nuvir.log" 2>&1) &
    DESK_PID=$!
    # A loaded machine or a sanitizer build takes its time to show the first window; the
    # waits are bounds, not pauses, so generous ones cost nothing when all goes well.
    desk_wait "$DESK_PATIENCE" desk_find_shown '^NUVIR( \[.*\])?$' >/dev/null || desk_fail "the main window did not show"
    DESK_MAIN=$(desk_find_shown '^NUVIR( \[.*\])?$')
    desk_wait 5 desk_is_active "$DESK_MAIN" || desk_activate "$DESK_MAIN"
}

# desk_stop: ends the program (a closed window by itself, else SIGTERM, else SIGKILL).
desk_stop() {
    [ -n "$DESK_PID" ] || return 0
    if kill -0 "$DESK_PID" 2>/dev/null; then
        kill -TERM "$DESK_PID" 2>/dev/null
        desk_wait "$DESK_PATIENCE" desk_not_running || kill -KILL "$DESK_PID" 2>/dev/null
    fi
    wait "$DESK_PID" 2>/dev/null
    DESK_PID=""
}
desk_not_running() { ! kill -0 "$DESK_PID" 2>/dev/null; }

desk_restart() {
    desk_stop
    desk_start
}

# ---- waiting and checking ------------------------------------------------------------

# desk_wait SECONDS COMMAND... (SECONDS may be "0.5"): true as soon as the command succeeds, false when it
# never did in that time.
desk_wait() {
    local end=$(($(desk_ms) + $(desk_to_ms "$1")))
    shift
    while :; do
        "$@" && return 0
        [ "$(desk_ms)" -ge "$end" ] && return 1
        sleep 0.1
    done
}
desk_ms() { echo $(($(date +%s%N) / 1000000)); }
# Seconds, whole or not ("0.5"), as milliseconds.
desk_to_ms() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'; }

# desk_holds SECONDS COMMAND...: the command succeeds at every look for that long.
desk_holds() {
    local end=$(($(desk_ms) + $(desk_to_ms "$1")))
    shift
    while [ "$(desk_ms)" -lt "$end" ]; do
        "$@" || return 1
        sleep 0.1
    done
    "$@"
}

# desk_check TEXT COMMAND...: waits up to DESK_PATIENCE seconds for the command; a
# failure is noted with the states of the program's windows, and the script goes on.
desk_check() {
    local text="$1"
    shift
    desk_wait "$DESK_PATIENCE" "$@"
    desk_verdict "$text" $?
}

# desk_check_holds TEXT SECONDS COMMAND...: the state comes within DESK_PATIENCE
# seconds and then lasts that many seconds (a window manager and a program that
# undo each other's changes show here).
desk_check_holds() {
    local text="$1" hold="$2"
    shift 2
    desk_wait "$DESK_PATIENCE" "$@" && desk_holds "$hold" "$@"
    desk_verdict "$text" $?
}

# desk_verdict TEXT STATUS: notes a check's outcome; a failure with the states of the
# program's windows.
desk_verdict() {
    if [ "$2" -eq 0 ]; then
        desk_log "  ok: $1"
        return 0
    fi
    DESK_FAILS=$((DESK_FAILS + 1))
    desk_log "  FAILED: $1"
    desk_windows | sed 's/^/    /'
    return 1
}

desk_case() { desk_log "case: $*"; }

# desk_shot NAME: the whole screen as desktop_NAME.png in the picture folder.
desk_shot() { import -window root "$DESK_OUT/desktop_$1.png" 2>/dev/null || desk_log "  (no picture $1)"; }

# ---- finding windows and reading their states ------------------------------------------

# desk_find TITLE-REGEX: the program's top-level window with that title, shown or not
# (the first one made).
desk_find() { xdotool search --all --pid "$DESK_PID" --name "$1" 2>/dev/null | head -1 | grep .; }
# desk_find_shown TITLE-REGEX: the one on view.
desk_find_shown() { xdotool search --all --onlyvisible --pid "$DESK_PID" --name "$1" 2>/dev/null | head -1 | grep .; }

# desk_newest_shown [WINDOW...]: the program's newest window on view other than those
# named (a dialog or message box just opened, whatever its title).
desk_newest_shown() {
    local w skip
    for w in $(xdotool search --all --onlyvisible --pid "$DESK_PID" --name '.' 2>/dev/null | sort -n -r); do
        for skip in "$@"; do [ "$((skip))" = "$w" ] && continue 2; done
        printf '%s\n' "$w"
        return 0
    done
    return 1
}

# What a person would see in a rectangle of a window (its own pixels, as on the screen):
# desk_colours WINDOW X Y W H, how many colours it shows (a plot drawn shows more than
# an empty one); desk_darkest WINDOW X Y W H, its darkest pixel from 0 (black) to 100
# (white) (an enabled button's caption is black, a disabled one's grey).
desk_colours() { import -window "$1" -crop "${4}x${5}+${2}+${3}" +repage -format '%k' info: 2>/dev/null; }
desk_darkest() {
    import -window "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace Gray -format '%[fx:int(100*minima)]' info: 2>/dev/null
}

# The main window's first result plot drawn, as after a run (an empty plot is all one
# grey): its axis and labels, left of where the batch window stands.
desk_result_plot_drawn() { [ "$(desk_colours "$DESK_MAIN" 30 300 70 240)" -gt 2 ] 2>/dev/null; }

# The ICCCM state the window manager gave the window: Normal, Iconic or Withdrawn.
desk_wm_state() {
    local s
    s=$(xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/{print $3}')
    echo "${s:-Withdrawn}"
}
desk_net_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | sed 's/.*= *//; s/_NET_WM_STATE_//g'; }
desk_actions() { xprop -id "$1" _NET_WM_ALLOWED_ACTIONS 2>/dev/null | sed 's/.*= *//; s/_NET_WM_ACTION_//g'; }
desk_title() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed 's/^[^"]*"//; s/"$//'; }
desk_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# Shown: mapped, on view and in the window manager's Normal state.
desk_shown() { desk_viewable "$1" && [ "$(desk_wm_state "$1")" = Normal ]; }
# Out of sight: iconic, withdrawn or unmapped.
desk_hidden() { ! desk_viewable "$1"; }
desk_iconic() { [ "$(desk_wm_state "$1")" = Iconic ]; }
desk_gone() { ! xwininfo -id "$1" >/dev/null 2>&1 || desk_hidden "$1"; }
desk_is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(($1))" ]; }
# desk_allows WINDOW ACTION: the window manager offers the action (MINIMIZE, ...).
desk_allows() { desk_actions "$1" | tr ', ' '\n\n' | grep -qx "$2"; }
desk_offers_neither_minimise_nor_maximise() {
    ! desk_allows "$1" MINIMIZE && ! desk_allows "$1" MAXIMIZE_HORZ && ! desk_allows "$1" MAXIMIZE_VERT
}
# desk_above UPPER LOWER: UPPER stands above LOWER in the window manager's stacking.
desk_above() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# *//' | tr ',' '\n' | tr -d ' ')
    local u l i=0 id
    u=$(printf '0x%x' "$1")
    l=$(printf '0x%x' "$2")
    local pu=-1 pl=-1
    for id in $order; do
        [ "$(printf '0x%x' "$id")" = "$u" ] && pu=$i
        [ "$(printf '0x%x' "$id")" = "$l" ] && pl=$i
        i=$((i + 1))
    done
    [ "$pu" -ge 0 ] && [ "$pl" -ge 0 ] && [ "$pu" -gt "$pl" ]
}

# desk_watch_states WINDOW: from now on, each WM_STATE the window manager gives the
# window, one a line, into a file (the state it has first, once the watch is on), so that
# a change is seen however soon it is undone. desk_state_changed: it has changed since;
# desk_unwatch ends the watch.
desk_watch_states() {
    DESK_WATCHED="$DESK_TMP/states_$1"
    : >"$DESK_WATCHED"
    timeout $((3 * DESK_PATIENCE)) stdbuf -oL xprop -spy -id "$1" WM_STATE >"$DESK_WATCHED" 2>/dev/null &
    DESK_WATCH_PID=$!
    desk_wait "$DESK_PATIENCE" grep -q 'window state:' "$DESK_WATCHED"
}
desk_state_changed() { [ "$(grep -c 'window state:' "$DESK_WATCHED")" -ge 2 ]; }
desk_unwatch() {
    kill "$DESK_WATCH_PID" 2>/dev/null
    wait "$DESK_WATCH_PID" 2>/dev/null
}

# desk_minimised_then_back TEXT WATCHED BOX COMMAND...: the command minimises a window
# while the program shows BOX, a modal window; once the window manager has changed
# WATCHED's state, the main window and BOX come back and stay, BOX with the keys.
desk_minimised_then_back() {
    local text="$1" watched="$2" box="$3"
    shift 3
    desk_watch_states "$watched"
    "$@" || desk_log "  (could not ask: $*)"
    desk_check "$text: the window manager minimised it" desk_state_changed
    desk_unwatch
    desk_check_holds "$text: both back and staying" 1.5 desk_main_and_box_shown "$box"
}

# desk_switches_hold BOX WINDOW...: DESK_SWITCHES times (1 unless set), the desktop
# switched to its second workspace and back while BOX, a modal window of the program,
# has the keys: by wmctrl and, under fluxbox, every other time by its Ctrl+F2. True when
# every switch held (the second workspace shown with the windows named out of sight, and
# staying so: a switch undone is undone at once, so the first is watched for 1.5 seconds,
# the others for 0.3) and each time back BOX and the main window shown, BOX with the keys.
# DESK_UNDONE is how many switches did not hold.
DESK_SWITCHES=${DESK_SWITCHES:-1}
desk_switches_hold() {
    local box="$1" i hold
    DESK_UNDONE=0
    for ((i = 1; i <= DESK_SWITCHES; i++)); do
        if [ "$DESK_WM" = fluxbox ] && [ $((i % 2)) = 0 ]; then desk_keys "$box" ctrl+F2; else wmctrl -s 1; fi
        hold=0.3
        [ "$i" = 1 ] && hold=1.5
        if ! { desk_wait "$DESK_PATIENCE" desk_away_on_second "$@" && desk_holds "$hold" desk_away_on_second "$@"; }; then
            DESK_UNDONE=$((DESK_UNDONE + 1))
            desk_log "  switch $i undone:"
            desk_windows | sed 's/^/    /'
        fi
        wmctrl -s 0
        desk_wait "$DESK_PATIENCE" desk_main_and_box_shown "$box" || return 1
    done
    [ "$DESK_UNDONE" = 0 ]
}
# The second workspace shown, the windows named out of sight.
desk_away_on_second() {
    [ "$(xprop -root _NET_CURRENT_DESKTOP | awk '{print $3}')" = 1 ] || return 1
    local w
    for w in "$@"; do desk_hidden "$w" || return 1; done
}

# desk_minimise_main: the main window's own minimise button, or a minimise request where
# no button is found.
desk_minimise_main() { desk_frame_button "$DESK_MAIN" 3 || xdotool windowminimize "$DESK_MAIN"; }
desk_main_and_box_shown() { desk_shown "$DESK_MAIN" && desk_shown "$1" && desk_is_active "$1"; }

# One line per window of the program: id, title, map state, WM_STATE, _NET_WM_STATE.
desk_windows() {
    local w
    for w in $(xdotool search --all --pid "$DESK_PID" --name '.' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Width: 1$' && continue
        printf '%s "%s" %s %s [%s]\n' "$(printf '0x%x' "$w")" "$(desk_title "$w")" \
            "$(xwininfo -id "$w" 2>/dev/null | awk '/Map State/{print $3}')" "$(desk_wm_state "$w")" "$(desk_net_state "$w")"
    done
}

# ---- acting as a person would -------------------------------------------------------------

# desk_activate WINDOW: brings the window forward and gives it the keys, as a task bar
# does (deiconifying it).
desk_activate() {
    wmctrl -i -a "$(printf '0x%x' "$1")"
    desk_wait "$DESK_PATIENCE" desk_is_active "$1"
}

# desk_keys WINDOW KEY...: the keys, one after another, into the window (activated
# first). Keys as xdotool names them: alt+f, x, Tab, shift+Tab, Return.
desk_keys() {
    local w="$1"
    shift
    desk_is_active "$w" || desk_activate "$w" || desk_log "  (could not activate $(printf '0x%x' "$w"))"
    local k
    for k in "$@"; do
        xdotool key --clearmodifiers "$k"
        sleep 0.15
    done
}

# desk_type TEXT: typed into the window that has the keys.
desk_type() { xdotool type --delay 20 -- "$1"; }

# desk_click WINDOW X Y: a left click at a point of the window (its own pixels).
desk_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.15
}

# desk_frame_button WINDOW N: clicks the Nth button (1 = rightmost) of the title bar
# the window manager drew for the window: with openbox's and icewm's layouts, 1 close,
# 2 maximise, 3 minimise. False when there is no such button.
desk_frame_button() {
    local frame n="$2" w="$1"
    frame=$(desk_frame "$w") || return 1
    local -a buttons
    mapfile -t buttons < <(desk_title_buttons "$frame")
    [ "${#buttons[@]}" -ge "$n" ] || return 1
    local x y
    read -r x y <<<"${buttons[$((n - 1))]}"
    xdotool mousemove "$x" "$y" click 1
    sleep 0.15
}

# The window manager's frame around a client window: its top-level ancestor.
desk_frame() {
    local w="$1" parent
    while :; do
        parent=$(xwininfo -children -id "$w" 2>/dev/null | awk '/Parent window id/{print $4}')
        [ -n "$parent" ] || return 1
        xwininfo -children -id "$parent" | grep -q 'Parent window id: 0x0' && break
        w=$parent
    done
    printf '%s\n' "$w"
}

# The centres of a frame's title-bar buttons on screen, rightmost first: small square
# windows on view, right of the window icon; where the window manager names its buttons
# (icewm), those, and not its frame's square corners.
desk_title_buttons() {
    xwininfo -tree -id "$1" | awk '
        NF < 3 { next }
        { id = $1; split($(NF - 1), g, /[x+]/); split($NF, a, /\+/) }
        $0 ~ /"(Close|Maximize|Minimize|Rollup|Hide)": \(\)/ { named = named id " " a[2] + g[1] / 2 " " a[3] + g[2] / 2 "\n" }
        $0 ~ /\(has no name\)/ && g[1] == g[2] && g[1] >= 8 && g[1] <= 30 && g[3] > 20 {
            plain = plain id " " a[2] + g[1] / 2 " " a[3] + g[2] / 2 "\n"
        }
        END { printf "%s", named != "" ? named : plain }' | while read -r id cx cy; do
        xwininfo -id "$id" | grep -q 'IsViewable' && printf '%d %d\n' "${cx%.*}" "${cy%.*}"
    done | sort -k1,1nr
}
