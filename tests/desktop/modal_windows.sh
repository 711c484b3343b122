#!/usr/bin/env bash
# Message boxes and dialogs under a real window manager offer neither minimise nor
# maximise: minimised, a modal window takes its owner down with it and leaves nothing of
# the program to click. A message box, the Options dialog, a file dialog and the category
# table editor. Pictures: desktop_modal_*.png in the folder given.
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

DEFAULT_CASES=(message_box options file_dialog table_editor)
desk_start
# The window at the screen's corner, at its size of a first start, so that the point
# clicked is the box named.
wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,0,-1,-1
desk_wait 3 desk_is_active "$DESK_MAIN"
for c in "${@:-${DEFAULT_CASES[@]}}"; do
    "case_$c"
done
desk_end
