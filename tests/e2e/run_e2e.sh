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
. "$here/window_driver.sh"
mkdir -p "$shots"
rm -f "$shots"/*.png

work=$(mktemp -d /tmp/vantrel-e2e-XXXXXX)
pids=()
cleanup() {
  stop_started
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

# --- the display, the window manager and the server ------------------------

start_desktop 140 159

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
record=$(site_record "$site" anna secret "$port" "$outbox" "$local_dir")
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

# The prompt, template 129 (186 x 49), and its edit field.
readonly PROMPT_W=186 PROMPT_H=49 PROMPT_EDIT="7 7 172 14"
readonly LOGGED_OUT_TITLE=" Vantrel" LOGGED_IN_TITLE=" $site - Vantrel"

# The header's Size column: the widths come from the settings above.
click_size_header() { click_list $((300 + 60)) $((LIST_HEADER / 2)) 1; }

title_matches() { [[ "$(title)" =~ $1 ]]; }
iconic() { xprop -id "$main" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }

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
find_main_window "$LOGGED_OUT_TITLE"
read -r _ _ width height < <(geometry "$main")
echo "  window client area ${width}x${height} pixels for ${DLG_W}x${DLG_H} dialog units"
shot start

begin "login"
click "$LOGIN"
wait_until 15 "the logged-in title" title_is "$LOGGED_IN_TITLE"
wait_until 10 "the PWD box to show /" pwd_is "/"
remember_abort_disabled
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
close_main_window "$app"
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
