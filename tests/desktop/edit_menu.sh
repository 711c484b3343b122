#!/usr/bin/env bash
# The Edit menu opened by its access key (Alt+E) on a real desktop: Copy takes what
# the analyst was working in (text selected in Species, the chain diagram, a result
# plot, an uncertainty editor's plot), also after the housekeeping tick has run with
# the menu open. The clipboard is read back from the X server. Pictures:
# desktop_edit_*.png in the folder given. Usage: edit_menu.sh PROGRAM PICTURE-FOLDER
source "$(dirname "$0")/desktop.sh"
command -v python3 >/dev/null && python3 -c 'import tkinter' 2>/dev/null ||
    desk_fail "python3 with tkinter is not installed (scripts/install-deps.sh installs it)"
desk_begin "$1" "${2:-.}"
desk_start
# The window at the screen's corner, at its size of a first start, so that the points
# clicked below are the controls named.
wmctrl -i -r "$(printf '0x%x' "$DESK_MAIN")" -e 0,0,0,-1,-1
desk_wait "$DESK_PATIENCE" desk_is_active "$DESK_MAIN"

# The clipboard's text, or the types it offers ("TARGETS").
clip() {
    timeout "$DESK_X_LIMIT" python3 - "$1" <<'PY' 2>/dev/null
import sys, tkinter
root = tkinter.Tk()
root.withdraw()
if sys.argv[1] == "TARGETS":
    print(root.tk.call("clipboard", "get", "-type", "TARGETS"))
else:
    print(root.clipboard_get())
PY
}
clip_is_text() { [ "$(clip text)" = "$1" ]; }
clip_has_picture() { clip TARGETS | grep -qw 'image/png'; }

# Some text of our own on the clipboard: the Species box's text copied with Ctrl+C.
text_on_clipboard() {
    desk_click "$DESK_MAIN" 150 40  # the "Ps and Qs" tab
    desk_click "$DESK_MAIN" 150 70  # the Species box
    desk_keys "$DESK_MAIN" ctrl+a ctrl+c
    desk_wait "$DESK_PATIENCE" clip_is_text "New Species"
}

# A popup of the program on view, as its menus are: no title, not the window manager's.
menu_open() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$DESK_PID" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}

# Alt+E, the menu open for as long as two housekeeping ticks (200 ms) take, then the
# access key of Copy.
copy_by_keys() {
    desk_keys "$DESK_MAIN" alt+e
    desk_wait "$DESK_PATIENCE" menu_open && desk_holds 0.5 menu_open
    desk_shot "edit_$1"
    desk_keys "$DESK_MAIN" c
}

desk_case "text selected in Species"
desk_click "$DESK_MAIN" 150 70
desk_keys "$DESK_MAIN" ctrl+a
copy_by_keys species
desk_check "Copy took the selected text" clip_is_text "New Species"
desk_keys "$DESK_MAIN" Escape

desk_case "the chain diagram clicked beside its stages"
text_on_clipboard || desk_fail "Ctrl+C in the Species box put nothing on the clipboard"
desk_click "$DESK_MAIN" 300 500
copy_by_keys diagram
desk_check "Copy took the diagram's picture" clip_has_picture

desk_case "a result plot clicked"
text_on_clipboard || desk_fail "Ctrl+C in the Species box put nothing on the clipboard"
desk_click "$DESK_MAIN" 660 40  # the "Monte Carlo" tab
desk_keys "$DESK_MAIN" alt+r
desk_wait "$DESK_PATIENCE" desk_result_plot_drawn  # the run of 1000 trials and its plots
desk_click "$DESK_MAIN" 150 300  # the risk histogram
copy_by_keys result_plot
desk_check "Copy took the histogram's picture" clip_has_picture

desk_case "an uncertainty editor's plot clicked"
text_on_clipboard || desk_fail "Ctrl+C in the Species box put nothing on the clipboard"
desk_click "$DESK_MAIN" 400 40  # the "Uncertainty" tab
desk_click "$DESK_MAIN" 140 65  # "Absolute"
desk_click "$DESK_MAIN" 230 200  # p1's distribution plot
copy_by_keys editor_plot
desk_check "Copy took the editor's plot" clip_has_picture

desk_end
