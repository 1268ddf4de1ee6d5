#!/bin/bash
# Round trips from connect to the first listing byte, over a link with an
# added delay: ours (the real window's login, which lists once), curl and
# lftp in the same run, each logging in twice in a row (first and second
# login: what a client keeps between runs counts), against Debian's vsftpd
# in clear and with explicit TLS (a test CA made for the run).
#
# The link: two network namespaces of the run's own, client and server,
# joined by bench/delay_link.py, which passes every packet after DELAY ms
# each way (this kernel has no netem). The same relay times every login
# alike, from the client's SYN to the listing's first byte reaching the
# client; the time over the round-trip time is the round trips. Prints the
# median of each client and login, and every round.
#
# Usage: bench/roundtrip_bench.sh [listing_bench binary] [rounds] [one-way delay ms]
# Defaults: build/bench/listing_bench, 5 rounds, 40 ms (an 80 ms RTT).
# BENCH_TRACE=1 shows every segment of each login on stderr, timed from
# its SYN as the relay took it in (">" toward the server, "<" back; the
# client sees a "<" one delay later).
# Needs root (namespaces, TUN devices), vsftpd, curl and Xvfb; lftp is
# installed when missing. Only the run's namespaces are addressed, and both
# go, with every process the run started, on exit or interrupt.
#
# Each client as it comes, in its own default data mode: ours active first,
# curl and lftp passive. In clear: ours with the bare address in Domain,
# curl ftp://, lftp with its defaults. TLS (the server demands it): ours with
# ftpes:// and, on a second line, with the bare address (a plain domain that
# finds TLS offered); curl --ssl-reqd, lftp ftp:ssl-force; all verify the
# server's certificate against the run's CA.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/bench/vsftpd_conf.sh"
bench=${1:-$here/build/bench/listing_bench}
rounds=${2:-5}
delay_ms=${3:-40}
[ "$(id -u)" = 0 ] || { echo "the round-trip benchmark needs root (namespaces and TUN devices)" >&2; exit 2; }
[ -x "$bench" ] || { echo "no benchmark program at $bench" >&2; exit 2; }
for tool in curl Xvfb /usr/sbin/vsftpd; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done
command -v lftp >/dev/null || apt-get install -y -q lftp >/dev/null || { echo "lftp could not be installed" >&2; exit 2; }

# Addresses of a private range that exist only inside the two namespaces.
readonly CLIENT_ADDRESS=10.213.57.1 SERVER_ADDRESS=10.213.57.2 PLAIN_PORT=21 TLS_PORT=2121 FOLDER=site
client_ns=vantrel-rt-client-$$ server_ns=vantrel-rt-server-$$
client_tun=vrtc$$ server_tun=vrts$$
rtt_ms=$((2 * delay_ms))

work=$(mktemp -d /tmp/vantrel-rt-bench-XXXXXX)
chmod 755 "$work"
pids=()
namespaces=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    for ns in "${namespaces[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

in_client() { ip netns exec "$client_ns" "$@"; }
in_server() { ip netns exec "$server_ns" "$@"; }

# The link: the relay makes both TUN devices, then each goes into its
# namespace with one end of a point-to-point pair of addresses.
make_link() {
    local ns
    for ns in "$client_ns" "$server_ns"; do
        ip netns add "$ns"
        namespaces+=("$ns")
        ip -n "$ns" link set lo up
    done
    exec {relay_out}< <(exec /usr/bin/python3 "$here/bench/delay_link.py" "$client_tun" "$server_tun" \
        --delay-ms "$delay_ms" --control-ports "$PLAIN_PORT,$TLS_PORT" ${BENCH_TRACE:+--trace})
    pids+=($!)
    local ready=""
    read -r -t 10 ready <&"$relay_out" || true
    [ "$ready" = ready ] || { echo "the delay relay did not start" >&2; exit 1; }
    ip link set "$client_tun" netns "$client_ns"
    ip link set "$server_tun" netns "$server_ns"
    ip -n "$client_ns" addr add "$CLIENT_ADDRESS" peer "$SERVER_ADDRESS" dev "$client_tun"
    ip -n "$server_ns" addr add "$SERVER_ADDRESS" peer "$CLIENT_ADDRESS" dev "$server_tun"
    ip -n "$client_ns" link set "$client_tun" up
    ip -n "$server_ns" link set "$server_tun" up
}

# A CA and a server certificate for the server's address, made for this run only.
make_certificates() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantrel round-trip bench CA" \
        -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=$SERVER_ADDRESS" \
        -keyout "$work/server.key" -out "$work/server.csr" 2>/dev/null
    printf 'subjectAltName=IP:%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$SERVER_ADDRESS" \
        >"$work/server.ext"
    openssl x509 -req -days 2 -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
        -CAcreateserial -extfile "$work/server.ext" -out "$work/server.pem" 2>/dev/null
}

# Two vsftpd, anonymous and read-only, both data modes: one in clear, one
# that demands TLS for the login and the data. The anonymous login asks for
# its password, as a user's does, so that every login sends USER and PASS.
# Each client lists FOLDER, below the login folder, as a site with a start
# folder does.
start_servers() {
    local root=$work/root settings=(write_enable=NO run_as_launching_user=YES pasv_enable=YES
        no_anon_password=NO "listen_address=$SERVER_ADDRESS")
    mkdir -p "$root/$FOLDER/old"
    for name in notes.txt photo.png report.pdf; do echo "$name" >"$root/$FOLDER/$name"; done
    vsftpd_conf "$PLAIN_PORT" "$root" "${settings[@]}" >"$work/plain.conf"
    vsftpd_conf "$TLS_PORT" "$root" "${settings[@]}" ssl_enable=YES allow_anon_ssl=YES force_anon_logins_ssl=YES \
        force_anon_data_ssl=YES ssl_ciphers=HIGH "rsa_cert_file=$work/server.pem" \
        "rsa_private_key_file=$work/server.key" >"$work/tls.conf"
    local conf
    for conf in plain tls; do
        # Not through in_server: a function in the background is a subshell
        # of its own, and the pid to kill at the end must be vsftpd's.
        ip netns exec "$server_ns" /usr/sbin/vsftpd "$work/$conf.conf" &
        pids+=($!)
    done
    wait_for_port "$PLAIN_PORT" && wait_for_port "$TLS_PORT"
}

wait_for_port() {
    for _ in $(seq 100); do
        in_server bash -c "exec 3<>/dev/tcp/$SERVER_ADDRESS/$1" 2>/dev/null && return 0
        sleep 0.05
    done
    echo "vsftpd did not start on port $1" >&2
    exit 1
}

# A display for the window, inside the client's namespace, reached only by
# its abstract socket, which belongs to that namespace: other programs'
# displays of the same number (a test run beside this one that takes a
# number whose lock file it found gone) cannot answer the window's
# connection. The number is from a range of its own, so as to meet few.
start_display() {
    local n
    for n in $(seq 600 699); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=$n; break; }
    done
    [ -n "${display:-}" ] || { echo "no free X display between :600 and :699" >&2; exit 1; }
    ip netns exec "$client_ns" Xvfb ":$display" -nolisten tcp -nolisten unix -screen 0 1280x1024x24 2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do
        in_client /usr/bin/python3 -c 'import socket, sys
socket.socket(socket.AF_UNIX).connect("\0/tmp/.X11-unix/X" + sys.argv[1])' "$display" 2>/dev/null && return 0
        sleep 0.05
    done
    echo "Xvfb did not start on :$display" >&2
    exit 1
}

# The clients, one login each: <port> <state folder>. A client keeps what
# it keeps between runs in the state folder (ours its settings folder),
# fresh at each round's first login.
ours() {
    in_client env DISPLAY=":$display" XDG_CONFIG_HOME="$2" HOME="$2" NO_AT_BRIDGE=1 \
        DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent BENCH_DOMAIN="$domain" \
        timeout --foreground 30 "$bench" "$1" anonymous vantrel@ "$FOLDER" 0 >/dev/null 2>"$work/ours.err" ||
        { echo "listing_bench ended with $?" >&2; grep -v Gtk-WARNING "$work/ours.err" | tail -5 >&2; return 1; }
}
curl_login() {
    in_client env HOME="$2" timeout --foreground 30 curl -q -sS --fail "${curl_tls[@]}" -o /dev/null \
        "ftp://$SERVER_ADDRESS:$1/$FOLDER/"
}
lftp_login() {
    in_client env HOME="$2" timeout --foreground 30 lftp -u anonymous,vantrel@ -p "$1" \
        -e "set cmd:fail-exit yes; set net:max-retries 1; $lftp_tls cd $FOLDER; ls; bye" "$SERVER_ADDRESS" >/dev/null
}

# One login through the link: prints the relay's milliseconds.
measure() {  # client port state
    local line extra
    "$1" "$2" "$3" || { echo "$1 failed to log in and list (BENCH_DOMAIN=$domain)" >&2; exit 1; }
    read -r -t 10 line <&"$relay_out" || { echo "the relay saw no listing from $1" >&2; exit 1; }
    while read -r -t 0.2 extra <&"$relay_out"; do echo "($1: another listing on the link: $extra)" >&2; done
    echo "${line#listing }"
}

# Runs each client of the setup, first and second login, for every round,
# taking turns at going first; results in $work/<setup>-<label>-<login>.
run_setup() {  # setup port labels...
    local setup=$1 port=$2
    shift 2
    local labels=("$@") round turn label
    for round in $(seq "$rounds"); do
        for turn in $(seq 0 $((${#labels[@]} - 1))); do
            label=${labels[$(((round - 1 + turn) % ${#labels[@]}))]}
            local state=$work/state-$setup-$label-$round
            mkdir -p "$state"
            set_client "$setup" "$label"
            measure "$client" "$port" "$state" >>"$work/$setup-$label-first"
            measure "$client" "$port" "$state" >>"$work/$setup-$label-second"
        done
    done
}

# Chooses the client command and its settings for a setup and label.
set_client() {  # setup label
    curl_tls=() lftp_tls="" domain=$SERVER_ADDRESS client=$2
    case "$2" in
        ours-ftpes) client=ours domain=ftpes://$SERVER_ADDRESS ;;
        ours-bare) client=ours ;;
        curl) client=curl_login ;;
        lftp) client=lftp_login ;;
    esac
    if [ "$1" = tls ]; then
        curl_tls=(--ssl-reqd --cacert "$work/ca.pem")
        lftp_tls="set ftp:ssl-force yes; set ftp:ssl-protect-data yes; set ssl:ca-file $work/ca.pem; set ssl:verify-certificate yes;"
    fi
}

report() {  # setup labels...
    local setup=$1 label login
    shift
    for label in "$@"; do
        for login in first second; do
            sort -n "$work/$setup-$label-$login" | awk -v s="$setup" -v c="$label" -v l="$login" -v rtt="$rtt_ms" '
                { t[NR] = $1 }
                END {
                    m = t[int((NR + 1) / 2)]
                    printf "%-6s %-11s %-7s %6.1f round trips %8.1f ms   rounds ms:", s, c, l, m / rtt, m
                }'
            tr '\n' ' ' <"$work/$setup-$label-$login"
            echo
        done
    done
}

make_link
make_certificates
start_servers
start_display
export SSL_CERT_FILE=$work/ca.pem
echo "link: ${delay_ms} ms each way (RTT ${rtt_ms} ms), vsftpd at $SERVER_ADDRESS; median of $rounds rounds"
run_setup plain "$PLAIN_PORT" ours-bare curl lftp
report plain ours-bare curl lftp
run_setup tls "$TLS_PORT" ours-ftpes ours-bare curl lftp
report tls ours-ftpes ours-bare curl lftp
