#!/usr/bin/env bash
# Throughput and latency of corvane-wincgi: the fake Windows CGI program
# (linked against the Corvane platform library), the guest-book sample
# (apps/cgisample: TCvCGIConnect on a form) and a minimal C Windows CGI
# program through the bridge, against a minimal C program speaking CGI/1.1
# directly (the baseline), all run by the same lighttpd on a free loopback
# port.  The last line gives the sample's median latency over the baseline's.
#
#   bench/wincgi/run.sh [BUILD_DIR]          (default: build)
#
# Environment: WINCGI_BENCH_REQUESTS (default 2000 per case),
# WINCGI_BENCH_CONCURRENCY (default "1 2"), WINCGI_BRIDGE / WINCGI_PROGRAM
# WINCGI_SAMPLE as for tests/e2e/wincgi/run_e2e.sh.  Uses ab (apache2-utils) when it can be
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
wincgi_find_sample "$build" || exit 1

work=$(mktemp -d "${TMPDIR:-/tmp}/wincgi-bench.XXXXXX")
cleanup() {
  wincgi_stop_lighttpd
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$work/docroot" "$work/tmp" "$work/book"
ln -s "$WINCGI_PROGRAM" "$work/docroot/app.wcgi"
ln -s "$WINCGI_SAMPLE" "$work/docroot/guestbook.wcgi"
cc -O2 -o "$work/docroot/plain.cgi" "$e2e/plain_cgi.c" || exit 1
cc -O2 -o "$work/docroot/min.wcgi" "$here/min_wincgi.c" || exit 1
wincgi_start_lighttpd "$work" "
cgi.assign = ( \".wcgi\" => \"$WINCGI_BRIDGE\", \".cgi\" => \"\" )
setenv.add-environment = ( \"TMPDIR\" => \"$work/tmp\", \"CORVANE_CGISAMPLE_DIR\" => \"$work/book\" )
" || exit 1
base="http://127.0.0.1:$WINCGI_PORT"

# throughput URL CONCURRENCY [POSTFILE] -> requests per second (ab; without
# ab a sequential curl loop, whatever the concurrency).
throughput() {
  local url=$1 c=$2 post=${3:-}
  if command -v ab >/dev/null 2>&1; then
    local args=(-q -c "$c")
    [ -n "$post" ] && args+=(-p "$post" -T application/x-www-form-urlencoded)
    ab "${args[@]}" -n 50 "$url" >/dev/null 2>&1   # warm-up
    rm -f "$work/pct.csv"
    ab "${args[@]}" -n "$requests" -e "$work/pct.csv" "$url" >"$work/ab.out" 2>&1 || { cat "$work/ab.out" >&2; return 1; }
    if grep -q "Non-2xx responses" "$work/ab.out" || ! grep -q "Failed requests: *0" "$work/ab.out"; then
      grep -E "Failed|Non-2xx" "$work/ab.out" >&2
      return 1
    fi
    awk '/^Requests per second:/ {printf "%.0f\n", $4}' "$work/ab.out"
  else
    local start end
    start=$(date +%s%N)
    latencies "$url" "$post" "$requests" >/dev/null || return 1
    end=$(date +%s%N)
    awk -v n="$requests" -v ns="$((end - start))" 'BEGIN {printf "%.0f\n", n / (ns / 1e9)}'
  fi
}

# latencies URL POSTFILE COUNT -> one time_total (seconds) per line, curl,
# one request after the other.
latencies() {
  local url=$1 post=$2 n=$3 i
  local args=(-s -o /dev/null -w '%{http_code} %{time_total}\n')
  [ -n "$post" ] && args+=(--data-binary "@$post")
  for ((i = 0; i < n; i++)); do curl "${args[@]}" "$url"; done >"$work/curl.out"
  if grep -qv '^200 ' "$work/curl.out"; then echo "errors in the responses" >&2; return 1; fi
  cut -d' ' -f2 "$work/curl.out"
}

# median_ms URL POSTFILE -> the median latency of sequential requests: from
# ab's percentiles of a run at concurrency 1, else of up to 500 curl requests.
median_ms() {
  if command -v ab >/dev/null 2>&1; then
    throughput "$1" 1 "$2" >/dev/null || return 1
    awk -F, '$1 == 50 {printf "%.2f\n", $2}' "$work/pct.csv"
    return
  fi
  local n=$((requests < 500 ? requests : 500))
  latencies "$1" "$2" 20 >/dev/null || return 1   # warm-up
  latencies "$1" "$2" "$n" | sort -g | awk '{v[NR] = $1} END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f\n", m * 1000 }'
}

printf 'name=Anna+B&city=K%%C3%%B6ln&text=%s' "$(head -c 400 /dev/zero | tr '\0' 'x')" >"$work/form.txt"
tool=$(command -v ab >/dev/null 2>&1 && echo "ab" || echo "a curl loop")
echo "lighttpd on 127.0.0.1:$WINCGI_PORT; throughput: $requests requests per case with $tool;"
if command -v ab >/dev/null 2>&1; then
  echo "latency: median of $requests sequential requests (ab, concurrency 1); $(nproc) cores"
else
  echo "latency: median of $((requests < 500 ? requests : 500)) sequential curl requests; $(nproc) cores"
fi
header=$(printf '%-44s' "case")
for c in $concurrencies; do header+=$(printf ' %9s' "req/s c=$c"); done
echo "$header $(printf '%10s' 'median ms')"
status=0
for case in "plain CGI (C), GET|$base/plain.cgi?a=1&b=2|" \
            "bridge + minimal Windows CGI (C), GET|$base/min.wcgi?a=1&b=2|" \
            "bridge + fake Windows CGI, GET|$base/app.wcgi?a=1&b=2|" \
            "bridge + fake Windows CGI, POST form|$base/app.wcgi|$work/form.txt" \
            "bridge + guest-book sample, GET|$base/guestbook.wcgi?a=1&b=2|" \
            "bridge + guest-book sample, POST form|$base/guestbook.wcgi|$work/form.txt"; do
  IFS='|' read -r name url post <<<"$case"
  line=$(printf '%-44s' "$name")
  for c in $concurrencies; do
    if r=$(throughput "$url" "$c" "$post"); then line+=$(printf ' %9s' "$r"); else line+=$(printf ' %9s' error); status=1; fi
  done
  if m=$(median_ms "$url" "$post"); then line+=$(printf ' %10s' "$m"); else line+=$(printf ' %10s' error); status=1; m=; fi
  case "$name" in
    "plain CGI (C), GET") base_ms=$m ;;
    "bridge + guest-book sample, GET") sample_ms=$m ;;
  esac
  echo "$line"
done
if [ -n "${base_ms:-}" ] && [ -n "${sample_ms:-}" ]; then
  awk -v s="$sample_ms" -v b="$base_ms" 'BEGIN {
    printf "guest-book sample GET median / plain CGI median: %.1fx\n", s / b }'
fi
left=$(ls -A "$work/tmp")
[ -z "$left" ] || { echo "temporary files left by the bridge: $left" >&2; status=1; }
exit $status
