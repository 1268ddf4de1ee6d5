# Driving the real program with real input events on a private X display, for
# the scripts that source this file. The caller defines fail <message> (it
# must exit), keeps $work (a scratch folder) and a pids array whose processes
# it ends at exit.

. "$(dirname "${BASH_SOURCE[0]}")/../support/private_display.sh"

# wait_until <seconds> <what we wait for> <command...>
wait_until() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "timed out after ${seconds}s waiting for $what"
    sleep 0.05
  done
}

# start_desktop <first display> <last display>: Xvfb on the first free display
# of the range, with openbox, so minimise, restore and Alt+F4 work as on a
# desktop. Exports DISPLAY.
start_desktop() {
  start_private_display "$1" "$2"
  pids+=($xvfb)
  # Debian's own openbox set-up, without the iconify animation, so that a
  # restored window is at once where it belongs.
  sed 's|<animateIconify>yes</animateIconify>|<animateIconify>no</animateIconify>|' /etc/xdg/openbox/rc.xml \
    >"$work/openbox-rc.xml"
  openbox --config-file "$work/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wait_until 10 "openbox" wm_running
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Template 102 is 328 x 264 dialog units; the window's client area is that
# in pixels, which gives the scale for every control.
readonly DLG_W=328 DLG_H=264
# Dialog-unit rectangles (x y w h) of the controls of template 102.
readonly LOGIN="11 211 36 12" LOGOUT="11 226 36 12"
readonly UPLOAD="60 211 36 12" DOWNLOAD="60 226 36 12"
readonly RENAME="145 211 36 12" DELETE="145 226 36 12"
readonly MKDIR="193 211 36 12" CDUP="234 211 36 12"
readonly DOMAIN_BOX="35 7 246 12" PWD_BOX="127 26 153 12" FILE_LIST="8 62 313 134" ABORT="280 246 36 12"
# The list's header and rows in pixels, as GTK draws them in the dialog font
# (measured): the header is 18 high, each row 25.
readonly LIST_HEADER=18 LIST_ROW=25

# geometry <window> -> "x y width height" of its client area on the screen
geometry() {
  xwininfo -id "$1" | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { print x, y, w, h }'
}

# point <window> <template w> <template h> <du x> <du y> -> screen "x y"
point() {
  local window=$1 tw=$2 th=$3 dx=$4 dy=$5
  read -r wx wy ww wh < <(geometry "$window")
  awk -v wx="$wx" -v wy="$wy" -v ww="$ww" -v wh="$wh" -v tw="$tw" -v th="$th" -v dx="$dx" -v dy="$dy" \
    'BEGIN { printf "%d %d\n", wx + dx * ww / tw, wy + dy * wh / th }'
}

# click_control <window> <template w> <template h> "<x y w h>" [xdotool click args]
click_control() {
  local window=$1 tw=$2 th=$3
  read -r x y w h <<<"$4"
  shift 4
  read -r px py < <(point "$window" "$tw" "$th" "$(awk "BEGIN { print $x + $w / 2 }")" "$(awk "BEGIN { print $y + $h / 2 }")")
  xdotool mousemove --sync "$px" "$py" click "$@"
}

# The main window's controls; $main is its window id.
click() { click_control "$main" $DLG_W $DLG_H "$@" 1; }

# A point inside the list: <pixels right of its left edge> <pixels below its top>.
click_list() {
  read -r x y _ _ <<<"$FILE_LIST"
  read -r px py < <(point "$main" $DLG_W $DLG_H "$x" "$y")
  xdotool mousemove --sync $((px + $1)) $((py + $2)) click "${@:3}"
}

# click_row <row> [xdotool click args]: rows count from 0 at the top.
click_row() {
  local row=$1
  shift
  click_list 60 $((LIST_HEADER + LIST_ROW * row + LIST_ROW / 2)) "${@:-1}"
}

title() { xdotool getwindowname "$main"; }
title_is() { [ "$(title)" = "$1" ]; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# find_main_window <exact title>: sets $main once the window is viewable.
find_main_window() {
  main=$(timeout 15 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) ||
    fail "the main window did not appear"
  [ -n "$main" ] || fail "the main window did not appear"
  wait_until 10 "the main window to be viewable" viewable "$main"
}

# find_dialog <exact title>: the visible window of that title, once it is
# there and has the focus.
find_dialog() {
  local id
  id=$(timeout 15 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) ||
    fail "no window titled \"$1\" appeared"
  [ -n "$id" ] || fail "no window titled \"$1\" appeared"
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  wait_until 10 "\"$1\" to have the focus" is_active "$id"
  echo "$id"
}

dialog_gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
wait_dialog_gone() { wait_until 15 "\"$1\" to close" dialog_gone "$1"; }

# The Abort button's pixels; disabled, it looks as it did before the first
# transfer, which is how a user sees that a transfer has ended.
abort_image() {
  read -r x y w h <<<"$ABORT"
  read -r left top < <(point "$main" $DLG_W $DLG_H "$x" "$y")
  read -r right bottom < <(point "$main" $DLG_W $DLG_H $((x + w)) $((y + h)))
  import -display "$DISPLAY" -window root -crop "$((right - left - 6))x$((bottom - top - 6))+$((left + 3))+$((top + 3))" "$1"
}
abort_disabled() {
  abort_image "$work/abort-now.png"
  [ "$(compare -metric AE "$work/abort-disabled.png" "$work/abort-now.png" null: 2>&1)" = 0 ]
}
# The picture of the disabled Abort that transfer_ended waits for, taken
# once two looks in a row agree: just after a change the window may still be
# drawing.
remember_abort_disabled() {
  xdotool mousemove --sync 5 5
  abort_image "$work/abort-disabled.png"
  wait_until 10 "the window to settle" abort_settled
}
abort_settled() {
  sleep 0.2
  abort_disabled && return 0
  cp "$work/abort-now.png" "$work/abort-disabled.png"
  return 1
}
# The mouse leaves the buttons alone, so none of them is drawn hovered.
transfer_ended() {
  xdotool mousemove --sync 5 5
  wait_until 60 "the transfer to end (Abort disabled)" abort_disabled
}

key() { xdotool key --clearmodifiers "$@"; }
type_text() { xdotool type --clearmodifiers --delay 15 "$1"; }

# save_as <path or empty>: answers Download's save dialog; empty keeps the
# proposed name in the proposed folder.
save_as() {
  find_dialog "Corvane - Download" >/dev/null
  if [ "$(type -t shot)" = function ]; then
    shot save-dialog
  fi
  if [ -n "$1" ]; then
    key ctrl+a
    type_text "$1"
  fi
  key Return
  wait_dialog_gone "Corvane - Download"
}

# site_record <site> <user> <password> <port> <upload folder> <download folder>:
# a saved site as the settings file holds it.
site_record() {
  local q='\"'
  printf '%s' "$q$1$q $q$2$q $q$3$q $q/$q $q$4$q $q$q $q$5/$q $q$6/$q"
}

# close_main_window <pid>: Alt+F4, as a user closes it; the program must end
# on its own with status 0.
close_main_window() {
  local app=$1
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  key alt+F4
  app_gone() { ! kill -0 "$app" 2>/dev/null; }
  wait_until 15 "the program to end" app_gone
  wait "$app" || fail "the program ended with status $?"
}

# Ends the processes the script started (their ids in `pids`), the last
# started first, and waits for each.
stop_started() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
}
