#!/usr/bin/env bash
# A new user's first hour, played with real keyboard and mouse events on the
# real program: log in, sort, browse, download, upload over an existing file,
# rename, mkdir, delete, Open In, a long download while minimised, Abort,
# logout and Alt+F4; then the server's files, the local files and the saved
# settings are checked. Runs on a private Xvfb display with openbox, so
# minimise, restore and Alt+F4 work as on a desktop.
#
#   run_e2e.sh <path to vantrel> <folder for the screenshots>
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <vantrel binary> <screenshot folder>" >&2
  exit 2
fi
binary=$(realpath "$1")
shots=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$shots"
rm -f "$shots"/*.png

work=$(mktemp -d /tmp/vantrel-e2e-XXXXXX)
pids=()
cleanup() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ -n "${E2E_KEEP:-}" ]; then
    echo "work folder kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

step=0
shot() {
  import -display "$DISPLAY" -window root "$shots/$(printf '%02d' "$step")-$1.png"
}

fail() {
  echo "END-TO-END FAILURE at step $step: $*" >&2
  shot failure 2>/dev/null || true
  for log in server.log app.log viewer.log; do
    if [ -s "$work/$log" ]; then
      echo "--- $log" >&2
      tail -n 20 "$work/$log" >&2
    fi
  done
  exit 1
}

begin() {
  step=$((step + 1))
  echo "step $step: $*"
}

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

# --- the display, the window manager and the server ------------------------

display=""
for n in $(seq 140 159); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=$n
    break
  fi
done
[ -n "$display" ] || fail "no free X display between :140 and :159"
export DISPLAY=:$display

Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_until 10 "the X server" xdotool getdisplaygeometry >/dev/null 2>&1
# Debian's own openbox set-up, without the iconify animation, so that a
# restored window is at once where it belongs.
sed 's|<animateIconify>yes</animateIconify>|<animateIconify>no</animateIconify>|' /etc/xdg/openbox/rc.xml >"$work/openbox-rc.xml"
openbox --config-file "$work/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 "openbox" wm_running

root=$work/ftp
local_dir=$work/local
outbox=$work/outbox
mkdir -p "$root/docs" "$local_dir" "$outbox" "$work/home" "$work/tmp"
printf 'Inside the docs folder\n' >"$root/docs/inside.txt"
printf 'hello\n' >"$root/zeta.txt"
head -c 5000 /dev/urandom >"$root/notes.txt"
truncate -s 300M "$root/alpha-big.bin" "$root/beta-big.bin"
head -c 7000 /dev/urandom >"$outbox/notes.txt"
readonly big_size=$((300 * 1024 * 1024))

/usr/bin/python3 "$here/throttled_ftpd.py" --root "$root" >"$work/port" 2>"$work/server.log" &
pids+=($!)
wait_until 10 "the FTP server's port" test -s "$work/port"
port=$(head -n1 "$work/port")

# The viewer records how it was started and keeps a copy of the file, which
# the program deletes when it closes.
cat >"$work/viewer.sh" <<'VIEWER'
#!/bin/sh
printf '%s\n' "$@" >"$(dirname "$0")/viewer.args"
cp "$1" "$(dirname "$0")/viewer.copy"
VIEWER
chmod +x "$work/viewer.sh"

# GTK's file chooser keeps its own settings; in memory they stay out of the
# log and out of the real home.
export HOME=$work/home XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
settings=$XDG_CONFIG_HOME/Quillmarsh/Vantrel.ini
mkdir -p -m 700 "$XDG_CONFIG_HOME/Quillmarsh"
site="127.0.0.1 e2e"
q='\"'
record="$q$site$q $q""anna$q $q""secret$q $q/$q $q$port$q $q$q $q$outbox/$q $q$local_dir/$q"
cat >"$settings" <<INI
[settings]
nDomains=1
domainStr_0="$record"
nLastUsedDomain=1
nAsciiBinaryAuto=1
nXposition=100
nYposition=80
nNameColWidth=300
nSizeColWidth=120
nTimeColWidth=180
openTextPathStr=$work/viewer.sh
INI
chmod 600 "$settings"

# --- driving the window -----------------------------------------------------

# Template 102 is 328 x 264 dialog units; the window's client area is that
# in pixels, which gives the scale for every control below.
readonly DLG_W=328 DLG_H=264
# Dialog-unit rectangles (x y w h) of the controls of template 102.
readonly LOGIN="11 211 36 12" LOGOUT="11 226 36 12"
readonly UPLOAD="60 211 36 12" DOWNLOAD="60 226 36 12"
readonly RENAME="145 211 36 12" DELETE="145 226 36 12"
readonly MKDIR="193 211 36 12" CDUP="234 211 36 12"
readonly DOMAIN_BOX="35 7 246 12" PWD_BOX="127 26 153 12" FILE_LIST="8 62 313 134" ABORT="280 246 36 12"
# The prompt, template 129 (186 x 49), and its edit field.
readonly PROMPT_W=186 PROMPT_H=49 PROMPT_EDIT="7 7 172 14"
# The list's header and rows in pixels, as GTK draws them in the dialog font
# (measured): the header is 18 high, each row 25.
readonly LIST_HEADER=18 LIST_ROW=25
readonly LOGGED_OUT_TITLE=" Vantrel" LOGGED_IN_TITLE=" $site - Vantrel"

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

# The header's Size column: the widths come from the settings above.
click_size_header() { click_list $((300 + 60)) $((LIST_HEADER / 2)) 1; }

title() { xdotool getwindowname "$main"; }
title_is() { [ "$(title)" = "$1" ]; }
title_matches() { [[ "$(title)" =~ $1 ]]; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
iconic() { xprop -id "$main" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }

is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

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
# The mouse leaves the buttons alone, so none of them is drawn hovered.
transfer_ended() {
  xdotool mousemove --sync 5 5
  wait_until 60 "the transfer to end (Abort disabled)" abort_disabled
}

clipboard() { /usr/bin/python3 "$here/clipboard.py"; }

# copy_field: the focused text field's contents, selected and copied.
copy_field() {
  /usr/bin/python3 "$here/clipboard.py" --clear
  key ctrl+a ctrl+c
  clipboard
}

# The PWD box, read the way a user would: select all, copy.
pwd_box() {
  click "$PWD_BOX"
  copy_field
}
pwd_is() { [ "$(pwd_box)" = "$1" ]; }

key() { xdotool key --clearmodifiers "$@"; }
type_text() { xdotool type --clearmodifiers --delay 15 "$1"; }

# Message boxes have No as the default for questions; Alt+Y presses Yes.
answer_yes() {
  find_dialog "$1" >/dev/null
  key alt+y
  wait_dialog_gone "$1"
}

# The prompt (CInputDlg) opens with the focus on OK: click into its edit
# field, check what it holds, replace it and press Enter.
answer_prompt() {
  local prompt_title=$1 expected=$2 reply=$3 id
  id=$(find_dialog "$prompt_title")
  click_control "$id" $PROMPT_W $PROMPT_H "$PROMPT_EDIT" 1
  local shown
  shown=$(copy_field)
  [ "$shown" = "$expected" ] || fail "the \"$prompt_title\" prompt shows \"$shown\", not \"$expected\""
  type_text "$reply"
  key Return
  wait_dialog_gone "$prompt_title"
}

# save_as <path or empty>: answers the save dialog; empty keeps the proposed
# name in the proposed folder.
save_as() {
  find_dialog "Corvane - Download" >/dev/null
  shot save-dialog
  if [ -n "$1" ]; then
    key ctrl+a
    type_text "$1"
  fi
  key Return
  wait_dialog_gone "Corvane - Download"
}

open_file() {
  find_dialog "Vantrel - Upload" >/dev/null
  key ctrl+l
  type_text "$1"
  key Return
  wait_dialog_gone "Vantrel - Upload"
}

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
size_is() { [ "$(size_of "$1")" = "$2" ]; }
larger_than() { [ "$(size_of "$1")" -gt "$2" ]; }
same_file() { [ -f "$1" ] && [ -f "$2" ] && cmp -s "$1" "$2"; }
expect_same() { same_file "$1" "$2" || fail "$3: $1 differs from $2"; }

# The rows in the order the program sorts them by name: folders first, then
# files, each A to Z.
row_of() {
  local i=0 name
  for name in "${rows[@]}"; do
    [ "$name" = "$1" ] && { echo $i; return; }
    i=$((i + 1))
  done
  fail "no row \"$1\" expected in (${rows[*]})"
}

# --- the steps --------------------------------------------------------------

begin "start"
"$binary" >"$work/app.log" 2>&1 &
app=$!
pids+=($app)
main=$(timeout 15 xdotool search --sync --onlyvisible --name "^$LOGGED_OUT_TITLE\$" | head -n1) ||
  fail "the main window did not appear"
[ -n "$main" ] || fail "the main window did not appear"
wait_until 10 "the main window to be viewable" viewable "$main"
read -r _ _ width height < <(geometry "$main")
echo "  window client area ${width}x${height} pixels for ${DLG_W}x${DLG_H} dialog units"
shot start

begin "login"
click "$LOGIN"
wait_until 15 "the logged-in title" title_is "$LOGGED_IN_TITLE"
wait_until 10 "the PWD box to show /" pwd_is "/"
abort_image "$work/abort-disabled.png"
shot login
rows=(docs alpha-big.bin beta-big.bin notes.txt zeta.txt)

begin "sort by size"
click_size_header
# Smallest first, folders as size 0: docs, zeta.txt, notes.txt, then the two
# big files. The second row is the smallest file; downloading it proves it.
click_row 1
shot sort-by-size
click "$DOWNLOAD"
save_as ""
transfer_ended
expect_same "$root/zeta.txt" "$local_dir/zeta.txt" "the smallest file"

begin "enter a folder and come back"
click_row 0 --repeat 2 1
wait_until 10 "the PWD box to show /docs" pwd_is "/docs"
shot in-docs
click "$CDUP"
wait_until 10 "the PWD box to show / again" pwd_is "/"
shot back-at-root

begin "download through the save dialog"
click_row "$(row_of notes.txt)"
click "$DOWNLOAD"
save_as "$local_dir/notes copy.txt"
transfer_ended
expect_same "$root/notes.txt" "$local_dir/notes copy.txt" "the downloaded notes"
shot downloaded

begin "upload over an existing file"
click "$UPLOAD"
open_file "$outbox/notes.txt"
find_dialog "Upload" >/dev/null
shot overwrite-question
answer_yes "Upload"
transfer_ended
expect_same "$outbox/notes.txt" "$root/notes.txt" "the uploaded notes on the server"
shot uploaded

begin "rename"
click_row "$(row_of zeta.txt)"
click "$RENAME"
answer_prompt "Rename" "zeta.txt" "omega.txt"
wait_until 10 "omega.txt on the server" test -f "$root/omega.txt"
[ ! -e "$root/zeta.txt" ] || fail "zeta.txt is still on the server after the rename"
rows=(docs alpha-big.bin beta-big.bin notes.txt omega.txt)
shot renamed

begin "mkdir"
click "$MKDIR"
answer_prompt "Enter New Directory" "" "  New Stuff  "
wait_until 10 "the folder \"new stuff\" on the server" test -d "$root/new stuff"
rows=(docs "new stuff" alpha-big.bin beta-big.bin notes.txt omega.txt)
shot mkdir

begin "delete"
click_row "$(row_of omega.txt)"
click "$DELETE"
find_dialog "Delete" >/dev/null
shot delete-question
answer_yes "Delete"
wait_until 10 "omega.txt to go from the server" test ! -e "$root/omega.txt"
rows=(docs "new stuff" alpha-big.bin beta-big.bin notes.txt)
shot deleted

begin "Open In > Text Viewer"
click_row "$(row_of notes.txt)"
click_row "$(row_of notes.txt)" 3
# The logged-in menu: Logout, Open In, Help, Exit; Open In's first item is
# Text Viewer.
sleep 0.5
shot context-menu
key Down Down Right
sleep 0.3
shot open-in-menu
key Return
wait_until 15 "the viewer to start" test -s "$work/viewer.copy"
# The run's own folder, the only one under TMPDIR, mode 0700.
private_dir=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -type d -name 'vantrel-??????' -perm 700)
[ -n "$private_dir" ] || fail "no private 0700 folder for Open In under $TMPDIR"
temp_copy=$private_dir/FTP_TEMP_notes.txt
[ "$(cat "$work/viewer.args")" = "$temp_copy" ] ||
  fail "the viewer got the arguments \"$(cat "$work/viewer.args")\", not \"$temp_copy\""
expect_same "$root/notes.txt" "$work/viewer.copy" "the file the viewer opened"
[ -f "$temp_copy" ] || fail "the temporary copy $temp_copy is not there while the program runs"

begin "a long download while minimised"
click_row "$(row_of alpha-big.bin)"
click "$DOWNLOAD"
save_as "$local_dir/alpha-big.bin"
wait_until 15 "the download to begin" larger_than "$local_dir/alpha-big.bin" 0
xdotool windowminimize "$main"
wait_until 10 "the window to be minimised" iconic
wait_until 30 "a \"Dn NN% ...\" title" title_matches "^Dn [0-9]{1,3}% $site - Vantrel\$"
echo "  title while minimised: \"$(title)\""
shot minimised
wait_until 60 "the window to come back" viewable "$main"
wait_until 10 "the logged-in title again" title_is "$LOGGED_IN_TITLE"
iconic && fail "the window is still minimised after the download"
size_is "$local_dir/alpha-big.bin" $big_size ||
  fail "alpha-big.bin is $(size_of "$local_dir/alpha-big.bin") bytes, not $big_size"
expect_same "$root/alpha-big.bin" "$local_dir/alpha-big.bin" "the long download"
shot restored

begin "Abort"
click_row "$(row_of beta-big.bin)"
click "$DOWNLOAD"
partial=$local_dir/beta-big.bin
save_as "$partial"
wait_until 15 "the second download to be under way" larger_than "$partial" $((20 * 1000 * 1000))
shot downloading
click "$ABORT"
transfer_ended
kept=$(size_of "$partial")
sleep 0.5
[ "$(size_of "$partial")" = "$kept" ] || fail "the partial file still grows after Abort"
[ "$kept" -gt 0 ] && [ "$kept" -lt $big_size ] ||
  fail "after Abort the partial file has $kept bytes, not between 0 and $big_size"
echo "  the aborted download kept $kept of $big_size bytes"
shot aborted

begin "logout"
click "$LOGOUT"
wait_until 15 "the logged-out title" title_is "$LOGGED_OUT_TITLE"
shot logged-out

begin "close with Alt+F4"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
key alt+F4
app_gone() { ! kill -0 "$app" 2>/dev/null; }
wait_until 15 "the program to end" app_gone
wait "$app" || fail "the program ended with status $?"
shot closed

# --- what the session left behind -------------------------------------------

begin "the server's files, the local files and the settings"
[ -d "$root/docs" ] && [ -d "$root/new stuff" ] || fail "a folder is missing on the server"
[ ! -e "$root/zeta.txt" ] && [ ! -e "$root/omega.txt" ] || fail "a renamed or deleted file is still on the server"
expect_same "$outbox/notes.txt" "$root/notes.txt" "the uploaded file"
size_is "$root/alpha-big.bin" $big_size && size_is "$root/beta-big.bin" $big_size ||
  fail "a big file on the server changed size"
[ ! -e "$temp_copy" ] || fail "the temporary copy $temp_copy was not deleted at close"
[ ! -e "$private_dir" ] || fail "the private folder $private_dir was not removed at close"
[ "$(size_of "$partial")" = "$kept" ] || fail "the partial file changed after Abort"

setting() { sed -n "s/^$1=//p" "$settings"; }
expect_setting() {
  local value
  value=$(setting "$1")
  [ "$value" = "$2" ] || fail "setting $1 is \"$value\", expected \"$2\""
}
expect_setting nDomains 1
expect_setting nLastUsedDomain 1
expect_setting nAsciiBinaryAuto 1
expect_setting nNameColWidth 300
expect_setting nSizeColWidth 120
expect_setting nTimeColWidth 180
expect_setting openTextPathStr "$work/viewer.sh"
# The record remembers the folders of this session's upload and download.
expect_setting domainStr_0 "\"$q$site$q $q""anna$q $q""secret$q $q/$q $q$port$q $q""notes.txt$q $q$outbox/$q $q$local_dir/$q\""
# --- a polite end from outside ----------------------------------------------

begin "SIGTERM while logged in to a new site, with an Open In copy"
"$binary" >"$work/app.log" 2>&1 &
app=$!
pids+=($app)
main=$(timeout 15 xdotool search --sync --onlyvisible --name "^$LOGGED_OUT_TITLE\$" | head -n1) ||
  fail "the main window did not appear again"
wait_until 10 "the main window to be viewable" viewable "$main"
click "$DOMAIN_BOX"
key ctrl+a
type_text "127.0.0.1 signalled"
click "$LOGIN"
wait_until 15 "the logged-in title" title_is " 127.0.0.1 signalled - Vantrel"
rm -f "$work/viewer.copy"
click_row "$(row_of notes.txt)"
click_row "$(row_of notes.txt)" 3
sleep 0.5
key Down Down Right
sleep 0.3
key Return
wait_until 15 "the viewer to start" test -s "$work/viewer.copy"
private_dir=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -type d -name 'vantrel-??????' -perm 700)
[ -n "$private_dir" ] || fail "no private 0700 folder for Open In under $TMPDIR"
shot before-sigterm
kill -TERM "$app"
wait_until 15 "the program to end after SIGTERM" app_gone
wait "$app" || fail "the program ended with status $? after SIGTERM"
shot after-sigterm
[ ! -e "$private_dir" ] || fail "the private folder $private_dir was not removed after SIGTERM"
expect_setting nDomains 2
expect_setting nLastUsedDomain 2
[ "$(setting domainStr_1)" = "\"$q""127.0.0.1 signalled$q $q""anna$q $q""secret$q $q/$q $q$port$q $q$q $q/$q $q/$q\"" ] ||
  fail "the session's site is not stored as domainStr_1: $(setting domainStr_1)"

echo "end-to-end run passed; screenshots in $shots"
