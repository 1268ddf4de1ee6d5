#!/usr/bin/env bash
# The program as users install it, run from where it was installed: a
# `cmake --install` under a prefix of its own (any user), then the .deb that
# scripts/package makes, installed and removed again with apt-get (root only;
# skipped otherwise, with the reason printed). Each install logs in over TLS
# to a local pyftpdlib that refuses anything in clear, lists, and downloads a
# file, which needs the engine and TLS modules found from the installed
# program's own folder.
#
#   run_package.sh <source folder> <build folder>
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <source folder> <build folder>" >&2
  exit 2
fi
source_dir=$(realpath "$1")
build_dir=$(realpath "$2")
readonly SKIPPED=77 PACKAGE=vantrel METAINFO=share/metainfo/org.example.Vantrel.metainfo.xml
. "$source_dir/tests/e2e/window_driver.sh"

work=$(mktemp -d /tmp/vantrel-package-XXXXXX)
pids=()
installed_by_us=""
cleanup() {
  stop_started
  if [ -n "$installed_by_us" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y "$PACKAGE" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "PACKAGE TEST FAILURE: $*" >&2
  import -display "${DISPLAY:-:0}" -window root "$work/failure.png" 2>/dev/null &&
    cp "$work/failure.png" "$build_dir/package-failure.png" && echo "screenshot: $build_dir/package-failure.png" >&2
  for log in server.log app.log; do
    if [ -s "$work/$log" ]; then
      echo "--- $log" >&2
      tail -n 20 "$work/$log" >&2
    fi
  done
  exit 1
}

# --- the server, with a certificate the program trusts by SSL_CERT_FILE ------

start_desktop 160 179
root=$work/ftp
mkdir -p "$root" "$work/home"
head -c 300000 /dev/urandom >"$root/payload.bin"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantrel package test CA" \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$work/server.key" -out "$work/server.csr" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' >"$work/server.ext"
openssl x509 -req -days 2 -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial \
  -extfile "$work/server.ext" -out "$work/server.pem" 2>/dev/null
cat "$work/server.pem" "$work/server.key" >"$work/server-with-key.pem"
/usr/bin/python3 "$source_dir/tests/support/pyftpd_server.py" --root "$root" --tls-cert "$work/server-with-key.pem" \
  >"$work/port" 2>"$work/server.log" &
pids+=($!)
wait_until 10 "the FTP server's port" test -s "$work/port"
port=$(head -n1 "$work/port")

export HOME=$work/home XDG_CONFIG_HOME=$work/config TMPDIR=$work GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
export SSL_CERT_FILE=$work/ca.pem
readonly SITE="127.0.0.1 package"

# log_in_and_download <program> <name of the run>: the saved site, Login, the
# listing's one row, Download into a folder of the run's own, Alt+F4.
log_in_and_download() {
  local program=$1 run=$2
  local downloads=$work/downloads-$run
  mkdir -p "$downloads"
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p -m 700 "$XDG_CONFIG_HOME/Quillmarsh"
  printf '[settings]\nnDomains=1\ndomainStr_0="%s"\nnLastUsedDomain=1\nnAsciiBinaryAuto=1\nnXposition=100\nnYposition=80\n' \
    "$(site_record "$SITE" anna secret "$port" "$work" "$downloads")" >"$XDG_CONFIG_HOME/Quillmarsh/Vantrel.ini"
  "$program" >"$work/app.log" 2>&1 &
  local app=$!
  pids+=($app)
  find_main_window " Vantrel"
  click "$LOGIN"
  wait_until 20 "the logged-in title" title_is " $SITE - Vantrel"
  remember_abort_disabled
  click_row 0
  click "$DOWNLOAD"
  save_as ""
  wait_until 20 "payload.bin downloaded whole" cmp -s "$root/payload.bin" "$downloads/payload.bin"
  # The last bytes are on disk a moment before the window ends the transfer.
  transfer_ended
  close_main_window "$app"
  echo "  $run: logged in over TLS, listed and downloaded with $program"
}

# expect_installed <prefix>: the files an install puts there, the metainfo
# valid as AppStream reads it.
expect_installed() {
  local prefix=$1 file
  for file in bin/vantrel lib/vantrel/libvantrel-engine.so lib/vantrel/libvantrel-tls.so lib/vantrel/libvantrel-sftp.so \
              share/applications/vantrel.desktop share/icons/hicolor/48x48/apps/vantrel.png \
              share/icons/hicolor/scalable/apps/vantrel.svg share/doc/vantrel/programs/VantrelDoc.pdf "$METAINFO"; do
    [ -f "$prefix/$file" ] || fail "the install under $prefix has no $file"
  done
  appstreamcli validate --no-net "$prefix/$METAINFO" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli refuses the installed metainfo: $(cat "$work/appstream.log")"
}

echo "install under a prefix of its own"
prefix="$work/any prefix"
# By component, so the manifest it writes leaves install_manifest.txt, the
# list of a user's own install, alone.
cmake --install "$build_dir" --prefix "$prefix" --component Unspecified >"$work/install.log" ||
  fail "cmake --install failed"
expect_installed "$prefix"
log_in_and_download "$prefix/bin/vantrel" prefix

if [ "$(id -u)" -ne 0 ]; then
  echo "the .deb part is skipped: installing a package needs root (CI runs as root)"
  exit $SKIPPED
fi
if dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q "install ok installed"; then
  echo "the .deb part is skipped: $PACKAGE is installed on this machine already, and this test would remove it"
  exit $SKIPPED
fi

echo "the .deb"
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -n 20 "$work/cpack.log")"
deb=$(ls "$work/package"/${PACKAGE}_*.deb)
version=$(dpkg-deb -f "$deb" Version)
[ "$version" = "$(sed -n 's/^project(Vantrel VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")" ] ||
  fail "the package's version $version is not the program's"
grep -q "<release version=\"$version\"" "$source_dir/res/org.example.Vantrel.metainfo.xml" ||
  fail "the metainfo lists no release $version"
depends=$(dpkg-deb -f "$deb" Depends)
# What the program and both modules link, as dpkg-shlibdeps found it.
for needed in libwxgtk3.2 libwxbase3.2 libgtk-3-0 libpoconet libpoconetssl libc6; do
  [[ $depends == *"$needed"* ]] || fail "the package's Depends lacks $needed: $depends"
done
DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" >"$work/apt.log" 2>&1 ||
  fail "apt-get install failed: $(tail -n 20 "$work/apt.log")"
installed_by_us=yes
expect_installed /usr
log_in_and_download /usr/bin/vantrel deb
DEBIAN_FRONTEND=noninteractive apt-get remove -y "$PACKAGE" >"$work/apt.log" 2>&1 ||
  fail "apt-get remove failed: $(tail -n 20 "$work/apt.log")"
left=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | while read -r path; do
  [ -f "$path" ] && echo "$path"; done || true)
[ -z "$left" ] || fail "apt-get remove left files behind: $left"
# dpkg keeps the record of a removed package that has a postrm (CPack's
# ldconfig call) until it is purged; the machine is left as it was found.
DEBIAN_FRONTEND=noninteractive apt-get purge -y "$PACKAGE" >"$work/apt.log" 2>&1 ||
  fail "apt-get purge failed: $(tail -n 20 "$work/apt.log")"
installed_by_us=""
echo "the package installs, runs and is removed whole"
