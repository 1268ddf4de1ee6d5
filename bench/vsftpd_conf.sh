# Sourced by the benchmarks: what both give Debian's vsftpd, anonymous on
# 127.0.0.1, active mode only, the data connection from an unprivileged
# port, in the foreground and without a transfer log.
#
#   vsftpd_conf <port> <root> [more setting lines...] > vsftpd.conf
vsftpd_conf() {
    local port=$1 root=$2
    shift 2
    cat <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$root
port_enable=YES
pasv_enable=NO
connect_from_port_20=NO
seccomp_sandbox=NO
background=NO
xferlog_enable=NO
CONF
    printf '%s\n' "$@"
}
