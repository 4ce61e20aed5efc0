#!/bin/sh
# SPDX-License-Identifier: MIT
# runo-bridge on runo-projector-sim with --watch, scraped for real.
#   prometheus.sh check SIM BRIDGE PROMTOOL
#       /metrics refused without the password and with it to the API,
#       and what it serves accepted by promtool check metrics
#   prometheus.sh scrape SIM BRIDGE PROMETHEUS RULES
#       Debian's prometheus scraping it each second with basic_auth from a
#       password file: up is 1 and runo_lamp_seconds the simulator's
#       1234 h, read back through Prometheus's query API
# Everything on the loopback, in a temporary directory.
set -eu
mode=$1 sim=$2 bridge=$3
dir=$(mktemp -d)
pids=
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in "$dir"/*.log; do echo "--- $log" >&2; tail -n 20 "$log" >&2; done
    exit 1
}
# wait_for SECONDS COMMAND...: until COMMAND succeeds, a tenth of a second apart.
wait_for() {
    tries=$(($1 * 10))
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

"$sim" --quiet >"$dir/sim.out" 2>"$dir/sim.log" &
pids="$pids $!"
wait_for 5 test -s "$dir/sim.out" || fail "the simulator did not start"
pty=$(head -n 1 "$dir/sim.out")

password=metrics-test-secret
printf '%s\n' "$password" >"$dir/password"
chmod 600 "$dir/password"
"$bridge" --port "$pty" --pjlink 127.0.0.1:0 --password-file "$dir/password" --http 127.0.0.1:0 --watch 1 \
    --name "Hall 2" 2>"$dir/bridge.log" &
pids="$pids $!"
http_port() { sed -n 's|.*web on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$dir/bridge.log" | head -n 1 | grep .; }
wait_for 5 http_port || fail "the bridge did not start"
metrics=http://127.0.0.1:$(http_port)/metrics
status() { curl -s -o /dev/null -w '%{http_code}' "$@"; }

case $mode in
check)
    promtool=$4
    [ "$(status "$metrics")" = 401 ] || fail "/metrics without a password was not 401"
    curl -s -D - -o /dev/null "$metrics" | grep -qi '^WWW-Authenticate: Basic realm="runo-bridge"' \
        || fail "no basic challenge"
    [ "$(status -u prometheus:wrong "$metrics")" = 401 ] || fail "a wrong password was not 401"
    [ "$(status -u prometheus:$password "${metrics%/metrics}/api/state")" = 401 ] \
        || fail "basic authentication reached the API"
    has_lamp() { curl -sf -u "any:$password" "$metrics" | grep -q '^runo_lamp_seconds 4442400$'; }
    wait_for 5 has_lamp || fail "no lamp time in /metrics"
    curl -sf -u "any:$password" "$metrics" >"$dir/metrics.txt"
    "$promtool" check metrics <"$dir/metrics.txt" || fail "promtool refused the exposition"
    ;;
scrape)
    prometheus=$4 rules=$5
    cat >"$dir/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files: ['$rules']
scrape_configs:
  - job_name: runo-bridge
    basic_auth:
      username: prometheus
      password_file: '$dir/password'
    static_configs:
      - targets: ['127.0.0.1:$(http_port)']
        labels: {room: 'Hall 2'}
YAML
    # A free port: the next one along while prometheus finds its own taken.
    port=$((20000 + $$ % 20000))
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        "$prometheus" --config.file="$dir/prometheus.yml" --storage.tsdb.path="$dir/data" \
            --web.listen-address=127.0.0.1:$port >"$dir/prometheus.log" 2>&1 &
        prom=$!
        if wait_for 10 curl -sf "http://127.0.0.1:$port/-/ready"; then break; fi
        kill "$prom" 2>/dev/null || true
        wait "$prom" 2>/dev/null || true
        grep -q "address already in use" "$dir/prometheus.log" || fail "prometheus did not start"
        port=$((port + 1))
    done
    pids="$pids $prom"
    query() { curl -sf "http://127.0.0.1:$port/api/v1/query" --data-urlencode "query=$1"; }
    # [time,"value"] of the query's one sample.
    is() { query "$1" | grep -q "\"room\":\"Hall 2\"}*,\"value\":\[[0-9.]*,\"$2\"\]"; }
    wait_for 10 is 'up{job="runo-bridge"}' 1 || fail "up is not 1: $(query up)"
    wait_for 5 is runo_lamp_seconds 4442400 || fail "runo_lamp_seconds: $(query runo_lamp_seconds)"
    ;;
*) fail "no mode $mode" ;;
esac
echo PASS
