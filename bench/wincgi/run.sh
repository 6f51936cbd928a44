#!/usr/bin/env bash
# Throughput and latency of corvane-wincgi: the fake Windows CGI program
# through the bridge against a minimal C program speaking CGI/1.1 directly,
# both run by the same lighttpd on a free loopback port.
#
#   bench/wincgi/run.sh [BUILD_DIR]          (default: build)
#
# Environment: WINCGI_BENCH_REQUESTS (default 2000 per case),
# WINCGI_BENCH_CONCURRENCY (default "1 2"), WINCGI_BRIDGE / WINCGI_PROGRAM
# as for tests/e2e/wincgi/run_e2e.sh.  Uses ab (apache2-utils) when it can be
# installed, else a curl loop.  Only 127.0.0.1 is contacted.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
e2e=$root/tests/e2e/wincgi
# shellcheck source=../../tests/e2e/wincgi/lighttpd.sh
. "$e2e/lighttpd.sh"

requests=${WINCGI_BENCH_REQUESTS:-2000}
concurrencies=${WINCGI_BENCH_CONCURRENCY:-1 2}
[ "$requests" -ge 1 ] && [ "$requests" -le 100000 ] || { echo "WINCGI_BENCH_REQUESTS: 1..100000" >&2; exit 2; }

wincgi_need lighttpd:lighttpd curl:curl gcc:cc || exit 1
wincgi_need apache2-utils:ab || true
wincgi_find_binaries "$build" || exit 1

work=$(mktemp -d "${TMPDIR:-/tmp}/wincgi-bench.XXXXXX")
cleanup() {
  wincgi_stop_lighttpd
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$work/docroot" "$work/tmp"
ln -s "$WINCGI_PROGRAM" "$work/docroot/app.wcgi"
cc -O2 -o "$work/docroot/plain.cgi" "$e2e/plain_cgi.c" || exit 1
wincgi_start_lighttpd "$work" "
cgi.assign = ( \".wcgi\" => \"$WINCGI_BRIDGE\", \".cgi\" => \"\" )
setenv.add-environment = ( \"TMPDIR\" => \"$work/tmp\" )
" || exit 1
base="http://127.0.0.1:$WINCGI_PORT"

# measure URL CONCURRENCY [POSTFILE] -> "rps median_ms"
measure() {
  local url=$1 c=$2 post=${3:-}
  if command -v ab >/dev/null 2>&1; then
    local args=(-q -n "$requests" -c "$c")
    [ -n "$post" ] && args+=(-p "$post" -T application/x-www-form-urlencoded)
    ab "${args[@]}" -n 50 "$url" >/dev/null 2>&1   # warm-up
    ab "${args[@]}" "$url" >"$work/ab.out" 2>&1 || { echo "ab failed" >&2; cat "$work/ab.out" >&2; return 1; }
    if grep -q "Non-2xx responses" "$work/ab.out" || ! grep -q "Failed requests: *0" "$work/ab.out"; then
      echo "errors in the responses:" >&2
      grep -E "Failed|Non-2xx" "$work/ab.out" >&2
      return 1
    fi
    awk '/^Requests per second:/ {rps=$4} /^ *50% / {med=$2} END {printf "%.0f %s\n", rps, med}' "$work/ab.out"
  else
    # curl, one connection after the other (the concurrency is ignored).
    local i start end
    local curl_args=(-s -o /dev/null -w '%{http_code} %{time_total}\n')
    [ -n "$post" ] && curl_args+=(--data-binary "@$post")
    start=$(date +%s.%N)
    for ((i = 0; i < requests; i++)); do curl "${curl_args[@]}" "$url"; done >"$work/curl.out"
    end=$(date +%s.%N)
    if grep -qv '^200 ' "$work/curl.out"; then echo "errors in the responses" >&2; return 1; fi
    sort -k2 -g "$work/curl.out" | awk -v n="$requests" -v t="$(echo "$end - $start" | bc)" \
      'NR == int((n + 1) / 2) {med = $2 * 1000} END {printf "%.0f %.1f\n", n / t, med}'
  fi
}

printf 'name=Anna+B&city=K%%C3%%B6ln&text=%s' "$(head -c 400 /dev/zero | tr '\0' 'x')" >"$work/form.txt"
tool=$(command -v ab >/dev/null 2>&1 && echo "ab" || echo "curl loop")
echo "lighttpd $(lighttpd -v 2>/dev/null | head -n1 | cut -d' ' -f1) on 127.0.0.1:$WINCGI_PORT, $requests requests per case, $tool, $(nproc) cores"
printf '%-44s %5s %10s %12s\n' "case" "conc" "req/s" "median ms"
status=0
for c in $concurrencies; do
  for case in "plain CGI (C), GET|$base/plain.cgi?a=1&b=2|" \
              "bridge + fake Windows CGI, GET|$base/app.wcgi?a=1&b=2|" \
              "bridge + fake Windows CGI, POST form|$base/app.wcgi|$work/form.txt"; do
    IFS='|' read -r name url post <<<"$case"
    if result=$(measure "$url" "$c" "$post"); then
      read -r rps med <<<"$result"
      printf '%-44s %5s %10s %12s\n' "$name" "$c" "$rps" "$med"
    else
      printf '%-44s %5s %10s %12s\n' "$name" "$c" "error" "-"
      status=1
    fi
  done
done
left=$(ls -A "$work/tmp")
[ -z "$left" ] || { echo "temporary files left by the bridge: $left" >&2; status=1; }
exit $status
