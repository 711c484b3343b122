#!/usr/bin/env bash
# The batch window beside the main window under a real window manager: minimising and
# restoring either window, the batch window's Exit, its message boxes, its keys, Batch
# Mode bringing it back and dialogs above it. Pictures: desktop_*.png in the folder
# given. Usage: batch_window.sh PROGRAM PICTURE-FOLDER [CASE...]
source "$(dirname "$0")/desktop.sh"
desk_begin "$1" "${2:-.}"
shift 2 || shift $#

# Trial exports on, so that a run first shows the export naming dialog.
printf '[Export Options]\r\nFormats=True,False,False\r\n' >"$DESK_TMP/prog/nuvirOptions.ini"
FILES="$DESK_TMP/files"
head -c 300000 /dev/zero | tr '\0' 'x' >"$FILES/too_big.RAB"
BATCH_TITLE='NUVIR Batch Module'
BATCH=""

# File > Batch Mode in the main window; BATCH is the batch window on view.
open_batch() {
    desk_keys "$DESK_MAIN" alt+f b
    desk_wait 5 desk_find_shown "$BATCH_TITLE" >/dev/null || return 1
    BATCH=$(desk_find_shown "$BATCH_TITLE")
}
batch_open() { [ -n "$BATCH" ] && desk_shown "$BATCH"; }
both_shown() { desk_shown "$DESK_MAIN" && desk_shown "$BATCH"; }
main_iconic_batch_hidden() { desk_iconic "$DESK_MAIN" && desk_hidden "$BATCH"; }
# The batch window's list takes the keys (a click into it).
click_list() { desk_click "$BATCH" 200 200; }
# A box or dialog of the program by its title, on view.
shown_titled() { desk_find_shown "$1" >/dev/null; }
box() { desk_find_shown "$1"; }
# While a box of the batch window shows: the main window as it was, the batch window
# out of the way (not on view, or below the box).
out_of_the_way() {
    local b
    b=$(box "$1") || return 1
    desk_shown "$DESK_MAIN" && { desk_hidden "$BATCH" || desk_above "$b" "$BATCH"; }
}

# The newest window of the program other than the main and the batch window: the box
# or dialog just opened.
newest() { desk_newest_shown "$DESK_MAIN" "$BATCH"; }
is_plot_options() { desk_title "$1" | grep -q '^Options for'; }
new_window() {
    desk_wait 5 newest >/dev/null || return 1
    newest
}

case_tool_windows_offer_no_minimise() {
    desk_case "the batch window, the export naming and the plot options windows offer no minimise or maximise"
    open_batch || desk_fail "File > Batch Mode showed no batch window"
    desk_check "batch window: $(desk_actions "$BATCH")" desk_offers_neither_minimise_nor_maximise "$BATCH"
    desk_shot batch_open
    # A run with trial exports shows the export naming dialog first; Esc runs without.
    desk_click "$DESK_MAIN" 657 34  # the "Monte Carlo" tab, right of the batch window's top
    desk_keys "$DESK_MAIN" alt+r
    local d
    d=$(new_window) || d=0
    desk_check "export naming dialog shown" test "$(desk_title "$d")" = "Enter an export file name" &&
        desk_check "export naming: $(desk_actions "$d")" desk_offers_neither_minimise_nor_maximise "$d" &&
        desk_check "export naming above the batch window" desk_above "$d" "$BATCH"
    desk_shot export_naming_over_batch
    desk_keys "$d" Escape
    desk_wait 20 desk_is_active "$DESK_MAIN"
    # The first plot shows left of the batch window: a double click opens its options.
    sleep 0.5
    xdotool mousemove --window "$DESK_MAIN" 56 387 click --repeat 2 --delay 80 1
    d=$(new_window) || d=0
    desk_check "plot options shown" is_plot_options "$d" &&
        desk_check "plot options: $(desk_actions "$d")" desk_offers_neither_minimise_nor_maximise "$d" &&
        desk_check "plot options above the batch window" desk_above "$d" "$BATCH"
    desk_shot plot_options_over_batch
    desk_keys "$d" Escape
    desk_check "the main window active again" desk_is_active "$DESK_MAIN"
}

case_minimise_main_by_button() {
    desk_case "the main window minimised by its button, restored as a task bar does (wmctrl -a)"
    batch_open || open_batch
    desk_frame_button "$DESK_MAIN" 3 || desk_log "  (no minimise button found)"
    desk_check "both out of sight" main_iconic_batch_hidden
    desk_shot main_minimised
    desk_activate "$DESK_MAIN"
    desk_check_holds "both back and staying" 2 both_shown
    desk_shot main_restored
}

case_minimise_main_by_request() {
    desk_case "the main window minimised by a minimise request (keys, task bar), restored by xdotool windowactivate"
    xdotool windowminimize "$DESK_MAIN"
    desk_check "both out of sight" main_iconic_batch_hidden
    xdotool windowactivate "$DESK_MAIN" 2>/dev/null
    desk_check_holds "both back and staying" 2 both_shown
}

case_minimise_batch() {
    desk_case "the batch window minimised by its own button or a minimise request, the program restored with wmctrl -a"
    if desk_frame_button "$BATCH" 3; then desk_log "  (its minimise button clicked)"; fi
    desk_wait 1 desk_iconic "$DESK_MAIN"
    xdotool windowminimize "$BATCH"
    desk_wait 1 desk_iconic "$DESK_MAIN"
    desk_shot batch_minimise_asked
    desk_activate "$DESK_MAIN"
    desk_check_holds "both shown and staying" 2 both_shown
    desk_keys "$DESK_MAIN" alt+f b
    desk_check_holds "Batch Mode leaves both shown" 2 both_shown
    desk_shot batch_mode_again
}

case_dialogs_above_batch() {
    desk_case "dialogs over the batch window"
    batch_open || open_batch
    local d what
    for what in "Help > About:alt+h a" "Options > Manage:alt+o m" "the batch window's File > Open:alt+f o"; do
        if [ "${what#the batch}" != "$what" ]; then desk_keys "$BATCH" ${what#*:}; else desk_keys "$DESK_MAIN" ${what#*:}; fi
        d=$(new_window) || d=0
        desk_check "${what%%:*} shown above the batch window" desk_above "$d" "$BATCH"
        desk_shot "$(echo "${what%%:*}" | tr -c 'A-Za-z\n' _)_over_batch"
        desk_keys "$d" Escape
        desk_wait 3 desk_gone "$d"
    done
    desk_check "both shown again" both_shown
}

DEFAULT_CASES=(tool_windows_offer_no_minimise minimise_main_by_button minimise_main_by_request minimise_batch
               dialogs_above_batch)
desk_start
for c in "${@:-${DEFAULT_CASES[@]}}"; do
    "case_$c"
done
desk_end
