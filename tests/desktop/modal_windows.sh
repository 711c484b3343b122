#!/usr/bin/env bash
# Message boxes and dialogs under a real window manager offer neither minimise nor
# maximise: minimised, a modal window takes its owner down with it and leaves nothing of
# the program to click. A message box, the Options dialog, a file dialog and the category
# table editor. Minimised all the same (the main window's own button, the window
# manager's keys), a box comes back with the main window, both above another program's
# window; left open on a workspace the desktop switches away from, it stays there.
# Pictures: desktop_modal_*.png in the folder given.
# Usage: modal_windows.sh PROGRAM PICTURE-FOLDER [CASE...]
source "$(dirname "$0")/desktop.sh"
desk_begin "$1" "${2:-.}"
shift 2 || shift $#

# Categorical impacts, so that an impact box of the chain opens its category table.
printf '[App Defaults]\r\nCategorical Impacts=True\r\n' >"$DESK_TMP/prog/nuvir.ini"

# The newest window of the program the window manager keeps other than the main window
# (the table editor has no title of its own, which xdotool's search by name misses).
newest_managed() {
    local id
    for id in $(xprop -root _NET_CLIENT_LIST | sed 's/.*# *//' | tr ',' ' '); do
        [ "$((id))" = "$((DESK_MAIN))" ] && continue
        xprop -id "$id" _NET_WM_PID | grep -q "= $DESK_PID\$" && printf '%d\n' "$((id))"
    done | sort -n | tail -1 | grep .
}
titled() { [ "$(desk_title "$1")" = "$2" ]; }
newest_titled() {
    local w
    w=$(newest_managed) && titled "$w" "$1"
}

# check_modal NAME TITLE [KEY]: the window just asked for shows with that title and
# offers neither minimise nor maximise; KEY (Escape unless named) closes it.
check_modal() {
    local name="$1" title="$2" close="${3:-Escape}" w
    desk_check "$name shown" newest_titled "$title" || return 1
    w=$(newest_managed)
    desk_check "$name: $(desk_actions "$w")" desk_offers_neither_minimise_nor_maximise "$w"
    desk_shot "modal_$name"
    desk_keys "$w" "$close"
    desk_check "$name closed, the main window active" closed_back_to_main "$w"
}
closed_back_to_main() { desk_gone "$1" && desk_is_active "$DESK_MAIN"; }

case_message_box() {
    desk_case "a message box (Help > Risk Assessment Help with no help file)"
    desk_keys "$DESK_MAIN" alt+h h
    check_modal message_box "Help" Return
}

case_options() {
    desk_case "the Options dialog"
    desk_keys "$DESK_MAIN" alt+o m
    check_modal options "NUVIR Options"
}

case_file_dialog() {
    desk_case "a file dialog (File > Open)"
    desk_keys "$DESK_MAIN" alt+f o
    check_modal file_dialog "Restore current state from file"
}

case_table_editor() {
    desk_case "the category table editor (the I1 box double-clicked)"
    xdotool mousemove --window "$DESK_MAIN" 181 149 click --repeat 2 --delay 80 1
    # It has no title of its own: the window manager shows the program's name.
    check_modal table_editor "NUVIR"
}

# The main window's title bar on the screen, for its minimise button.
title_bar_shown() {
    local frame
    frame=$(desk_frame "$DESK_MAIN") && [ "$(xwininfo -id "$frame" | awk '/Absolute upper-left Y/{print $4}')" -ge 0 ]
}
# The main window back at the screen's corner, where the cases that click expect it.
back_to_corner() {
    wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,0,-1,-1
    desk_wait 3 main_at_corner
}
main_at_corner() { xwininfo -id "$DESK_MAIN" | grep -q 'Absolute upper-left Y: *0$'; }
# check_minimised NAME: the box just opened, with the main window minimised by its own
# minimise button (still live while the box blocks the window), then, under fluxbox, the
# box minimised by its Alt+F9 (openbox and icewm minimise none of the program's boxes
# alone). BOX is the box.
check_minimised() {
    local name="$1"
    BOX=$(newest_managed) || return 1
    wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,100,-1,-1
    desk_wait "$DESK_PATIENCE" title_bar_shown
    desk_minimised_then_back "$name, the main window minimised by its button" "$DESK_MAIN" "$BOX" desk_minimise_main
    desk_shot "modal_${name}_main_minimised_${DESK_WM}"
    if [ "$DESK_WM" = fluxbox ]; then
        desk_minimised_then_back "$name, minimised by Alt+F9" "$BOX" "$BOX" desk_keys "$BOX" alt+F9
    else
        desk_log "  ($DESK_WM: no key or request minimises the box alone)"
    fi
}

case_message_box_minimised() {
    desk_case "a message box (F1 with no help file) minimised with the main window, or alone"
    desk_keys "$DESK_MAIN" F1
    desk_check "the help box shown" newest_titled "Help" || return 1
    check_minimised message_box
    desk_keys "$BOX" Return
    desk_check "the box closed, the main window active" closed_back_to_main "$BOX"
    back_to_corner
}

case_file_dialog_minimised() {
    desk_case "a file dialog (File > Open) minimised with the main window, or alone"
    desk_keys "$DESK_MAIN" alt+f o
    desk_check "the file dialog shown" newest_titled "Restore current state from file" || return 1
    check_minimised file_dialog
    desk_keys "$BOX" Escape
    desk_check "the dialog closed, the main window active" closed_back_to_main "$BOX"
    back_to_corner
}

case_replace_question_minimised() {
    desk_case "the file dialog's replace question (File > Save As, a file that exists) minimised with the main window, or alone"
    printf '[App Defaults]\r\n' >"$DESK_TMP/files/old.RAF"
    desk_keys "$DESK_MAIN" alt+f a
    desk_check "the save dialog shown" newest_titled "Save current state to file" || return 1
    local dialog
    dialog=$(newest_managed)
    desk_wait "$DESK_PATIENCE" desk_is_active "$dialog"
    desk_type "$DESK_TMP/files/old.RAF"
    xdotool key Return
    desk_check "the replace question shown" newer_than "$dialog" || return 1
    check_minimised replace_question
    desk_keys "$BOX" alt+n
    desk_check "the question answered, the save dialog active" desk_is_active "$dialog"
    desk_keys "$dialog" Escape
    desk_check "the dialog closed, the main window active" closed_back_to_main "$dialog"
    back_to_corner
}
newer_than() {
    local w
    w=$(newest_managed) && [ "$w" -gt "$(($1))" ]
}

# A window manager marks the windows of a workspace it stops showing as minimised; a box
# that came back from that would take the desktop back to its workspace at once. Fluxbox
# marks them before it names the workspace shown, and a program that looks in between
# brought one back about once in sixty switches: DESK_SWITCHES switches away from each
# box. Rows: title|key that closes it|keys that open it.
case_workspace_switched() {
    desk_case "a box, a form and a file dialog left open while the desktop switches to another workspace, $DESK_SWITCHES times each"
    local row title close keys
    for row in "Help|Return|F1" "NUVIR Options|Escape|alt+o m" "Restore current state from file|Escape|alt+f o"; do
        IFS='|' read -r title close keys <<<"$row"
        # shellcheck disable=SC2086 # the keys one by one
        desk_keys "$DESK_MAIN" $keys
        desk_check "$title shown" newest_titled "$title" || continue
        BOX=$(newest_managed)
        desk_wait "$DESK_PATIENCE" desk_is_active "$BOX"
        desk_switches_hold "$BOX" "$DESK_MAIN" "$BOX"
        desk_verdict "$title: the second workspace shown, the program's windows out of sight, and staying (switches undone: $DESK_UNDONE of $DESK_SWITCHES)" $?
        desk_check "$title: back on the first workspace, the main window and the box shown, the box with the keys" \
            desk_main_and_box_shown "$BOX"
        desk_shot "modal_workspace_back_${DESK_WM}"
        desk_keys "$BOX" "$close"
        desk_check "$title closed, the main window active" closed_back_to_main "$BOX"
    done
}

# A window manager may show a window again beneath another program's window that was
# below it (icewm), or, asked by the main window's own minimise button, lower the main
# window under it as it minimises it and show both again itself at once (icewm, about one
# time in two): the main window, minimised by its button with a box open over another
# program's window, comes back above that window, the box above both, as the X server
# stacks them. MODAL_MINIMISES times (1 unless set), F1's box and the Options dialog in
# turn. Rows: title|key that closes it|keys that open it.
MODAL_MINIMISES=${MODAL_MINIMISES:-1}
case_owner_back_in_order() {
    desk_case "the main window minimised with a box open, over another program's window, $MODAL_MINIMISES times"
    xmessage -name nuvirother "another program" >/dev/null 2>&1 &
    OTHER_PID=$!
    local other i title close keys
    local -a rows=("Help|Return|F1" "NUVIR Options|Escape|alt+o m")
    desk_check "the other program's window shown" other_shown || { end_other; return 1; }
    other=$(other_window)
    # Half under the main window, whose minimise button is on the screen.
    wmctrl -i -r "$(printf '0x%x' "$other")" -e 0,400,300,600,400
    wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,100,-1,-1
    desk_wait "$DESK_PATIENCE" title_bar_shown
    for ((i = 1; i <= MODAL_MINIMISES; i++)); do
        IFS='|' read -r title close keys <<<"${rows[$(((i - 1) % ${#rows[@]}))]}"
        desk_activate "$DESK_MAIN"
        desk_check "the main window above the other program's" in_order "$DESK_MAIN" "$other"
        # shellcheck disable=SC2086 # the keys one by one
        desk_keys "$DESK_MAIN" $keys
        desk_check "$title shown" newest_titled "$title" || break
        BOX=$(newest_managed)
        desk_wait "$DESK_PATIENCE" desk_is_active "$BOX"
        desk_minimised_then_back "$title, the main window minimised" "$DESK_MAIN" "$BOX" desk_minimise_main
        desk_check "$title above the main window, the main window above the other program's" \
            in_order "$BOX" "$DESK_MAIN" "$other"
        desk_shot "modal_owner_back_in_order_${DESK_WM}"
        desk_keys "$BOX" "$close"
        if [ "$DESK_WM" = icewm ]; then
            # Icewm gives the keys to the window it focused last: the other program's,
            # which it focused as it minimised the main window.
            desk_check "$title closed" desk_gone "$BOX"
            desk_activate "$DESK_MAIN"
        else
            desk_check "$title closed, the main window active" closed_back_to_main "$BOX"
        fi
    done
    end_other
    back_to_corner
}
end_other() {
    kill "$OTHER_PID" 2>/dev/null
    wait "$OTHER_PID" 2>/dev/null
}
other_window() { xdotool search --onlyvisible --classname '^nuvirother$' 2>/dev/null | head -1 | grep .; }
other_shown() { other_window >/dev/null; }
# in_order WINDOW...: each window's frame above the next one's in the X server's stacking
# (the root's children, topmost first), as a person sees them.
in_order() {
    local tree w frame at last=0
    tree=$(xwininfo -root -children) || return 1
    for w in "$@"; do
        frame=$(desk_frame "$w") || return 1
        at=$(awk -v f="$frame" '$1 == f { print NR; exit }' <<<"$tree")
        [ -n "$at" ] && [ "$at" -gt "$last" ] || return 1
        last=$at
    done
}

# A SIGTERM while a start-up box waits for its OK (a species name in nuvir.ini longer
# than a name can be) ends the program at once, before it has read its settings: both
# settings files stay as they were.
case_sigterm_at_startup_box() {
    desk_case "a SIGTERM while a start-up box waits"
    desk_stop
    local prog="$DESK_TMP/prog" kept="$DESK_TMP/kept.ini"
    cp "$prog/nuvir.ini" "$kept"
    { printf '[App Defaults]\r\nSpecies='; printf '%05000d' 0; printf '\r\n'; } >"$prog/nuvir.ini"
    cp "$prog/nuvir.ini" "$DESK_TMP/nuvir.before"
    cp "$prog/nuvirOptions.ini" "$DESK_TMP/options.before"
    # Started as desk_start does, without waiting for a main window that has the keys.
    (cd "$DESK_TMP/files" && exec env HOME="$DESK_TMP/home" XDG_CONFIG_HOME="$DESK_TMP/config" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:strict_string_checks=0" \
        QT_QPA_PLATFORM=xcb "$prog/nuvir" >>"$DESK_TMP/nuvir.log" 2>&1) &
    DESK_PID=$!
    if desk_check "the start-up box shown" desk_find_shown '^Restore current state from file$'; then
        desk_shot modal_startup_box
        kill -TERM "$DESK_PID"
        desk_check "the program ended" desk_not_running
        desk_check "nuvir.ini as it was" cmp -s "$prog/nuvir.ini" "$DESK_TMP/nuvir.before"
        desk_check "nuvirOptions.ini as it was" cmp -s "$prog/nuvirOptions.ini" "$DESK_TMP/options.before"
    fi
    cp "$kept" "$prog/nuvir.ini"
    desk_restart
    wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,0,-1,-1
}

DEFAULT_CASES=(message_box options file_dialog table_editor message_box_minimised file_dialog_minimised
               replace_question_minimised workspace_switched owner_back_in_order sigterm_at_startup_box)
desk_start
# The window at the screen's corner, at its size of a first start, so that the point
# clicked is the box named.
wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,0,-1,-1
desk_wait "$DESK_PATIENCE" desk_is_active "$DESK_MAIN"
for c in "${@:-${DEFAULT_CASES[@]}}"; do
    "case_$c"
done
desk_end
