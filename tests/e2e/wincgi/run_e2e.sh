#!/usr/bin/env bash
# End-to-end test of corvane-wincgi: lighttpd on a free loopback port runs
# Windows CGI programs (*.wcgi) through the bridge and a plain CGI program
# (*.cgi) directly; curl sends real requests and the answers are checked.
#
#   tests/e2e/wincgi/run_e2e.sh [BUILD_DIR]      (default: build)
#
# The Windows CGI program is the fake from tests/e2e/wincgi/fake_wincgi.cpp;
# WINCGI_PROGRAM names another one (it must answer the same paths), and
# WINCGI_BRIDGE another bridge.  The same server runs the guest-book sample
# (apps/cgisample, or WINCGI_SAMPLE) as /guestbook.wcgi, with its guest book
# in the work directory.  Installs lighttpd and curl when missing.
# Ends with the line "N passed, N failed"; the exit code is 1 on a failure.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:-$root/build}
# shellcheck source=lighttpd.sh
. "$here/lighttpd.sh"

wincgi_need lighttpd:lighttpd curl:curl gcc:cc || exit 1
wincgi_find_binaries "$build" || exit 1
wincgi_find_sample "$build" || exit 1

work=$(mktemp -d "${TMPDIR:-/tmp}/wincgi-e2e.XXXXXX")
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
ln -s "$WINCGI_PROGRAM" "$work/docroot/small.wcgi"
cc -O2 -o "$work/docroot/plain.cgi" "$here/plain_cgi.c" || exit 1

env_common="\"TMPDIR\" => \"$work/tmp\", \"CORVANE_WINCGI_TIMEOUT\" => \"2\", \"CORVANE_CGISAMPLE_DIR\" => \"$work/book\""
wincgi_start_lighttpd "$work" "
cgi.assign = ( \".wcgi\" => \"$WINCGI_BRIDGE\", \".cgi\" => \"\" )
setenv.add-environment = ( $env_common )
\$HTTP[\"url\"] =~ \"^/small\\.wcgi\" {
  setenv.add-environment = ( $env_common, \"CORVANE_WINCGI_MAX_BODY\" => \"1000\" )
}
" || exit 1
base="http://127.0.0.1:$WINCGI_PORT"
echo "lighttpd on 127.0.0.1:$WINCGI_PORT, bridge $WINCGI_BRIDGE, program $WINCGI_PROGRAM"

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
bad() {
  failed=$((failed + 1))
  echo "FAIL $1: $2"
  [ -f "$work/headers" ] && sed 's/^/     | /' "$work/headers" | head -20
  [ -f "$work/body" ] && head -c 1500 "$work/body" | sed 's/^/     | /'
}

# request NAME CURL-ARGS... : fetches into $work/headers and $work/body.
request() {
  rm -f "$work/headers" "$work/body"
  curl -sS --max-time 30 -D "$work/headers" -o "$work/body" "$@" 2>"$work/curl.err"
}
status() { head -n1 "$work/headers" | awk '{print $2}'; }
header() { grep -i "^$1:" "$work/headers" | head -n1 | cut -d: -f2- | sed 's/^ *//; s/\r$//'; }
body_has() { grep -qF -- "$1" "$work/body"; }

# check NAME EXPECTED-STATUS [TEXT-IN-BODY ...]
check() {
  local name=$1 want=$2 got text
  shift 2
  got=$(status)
  if [ "$got" != "$want" ]; then bad "$name" "status $got, expected $want ($(cat "$work/curl.err"))"; return; fi
  for text in "$@"; do
    if ! body_has "$text"; then bad "$name" "body lacks '$text'"; return; fi
  done
  ok "$name"
}

# 1. GET with a query string.
request "$base/app.wcgi?a=1&b=x%20y" -H "X-Trace: e2e-1" -H "Accept: text/html, */*;q=0.5"
check "GET with a query" 200 "method=GET" "query=a=1&b=x%20y" "cgi.Server Port=$WINCGI_PORT" \
  "cgi.Remote Adress=127.0.0.1" "cgi.Executable Path=/app.wcgi" "header.X-Trace=e2e-1" \
  "accept.text/html=Yes" "accept.*/*=q=0.5"
if [ "$(header Content-Type)" = "text/plain" ]; then ok "GET: content type passed on"; else bad "GET: content type" "$(header Content-Type)"; fi
if grep -q "literal\." "$work/body"; then bad "GET: query not decoded" "form sections filled"; else ok "GET: query not decoded"; fi

# 2. POST of a form.
request "$base/app.wcgi" --data 'name=Anna+B&city=K%C3%B6ln&name=Zweite&empty='
check "POST of a form" 200 "method=POST" "literal.name=Anna B" "literal.city=Köln" \
  "literal.name_1=Zweite" "literal.empty=" "cgi.Content Type=application/x-www-form-urlencoded"

# 3. A long value with line breaks lands in [Form External].
long=$(head -c 600 /dev/zero | tr '\0' 'L')
request "$base/app.wcgi" --data "short=1&text=line1%0D%0A$long"
check "large POST -> [Form External]" 200 "literal.short=1" "external.text=$((7 + 600)):line1\\x0D\\x0A$long"

# 4. A value over 64 KiB lands in [Form Huge], raw.
head -c 40000 /dev/zero | tr '\0' 'a' | sed 's/a/a+b/g' >"$work/huge.txt"   # 120000 bytes "a+ba+b..."
printf 'first=1&big=' >"$work/huge.body"
cat "$work/huge.txt" >>"$work/huge.body"
printf '&last=2' >>"$work/huge.body"
request "$base/app.wcgi" -H "Content-Type: application/x-www-form-urlencoded" --data-binary "@$work/huge.body"
check "huge POST -> [Form Huge]" 200 "literal.first=1" "literal.last=2"
if [ "$(grep -m1 '^huge\.big=' "$work/body")" = "huge.big=120000:$(cat "$work/huge.txt")" ]; then
  ok "huge POST: raw value read back from the content file"
else
  bad "huge POST: raw value" "$(grep -m1 '^huge\.big=' "$work/body" | head -c 100)"
fi

# 5. Multipart: only the content file.
request "$base/app.wcgi" -F "field=value"
if [ "$(status)" = 200 ] && body_has "cgi.Content Type=multipart/form-data" && ! grep -q "literal\." "$work/body"; then
  ok "multipart POST -> content file only"
else
  bad "multipart POST" "status $(status)"
fi

# 6. The program's error page (it exits with 1) is passed on.
request "$base/app.wcgi/error"
check "error page" 500 "Error in /app.wcgi" "An internal error has occured"

# 7. A redirect.
request "$base/app.wcgi/redirect?http://127.0.0.1/next"
if [ "$(status)" = 302 ] && [ "$(header Location)" = "http://127.0.0.1/next" ]; then ok "redirect"; else bad "redirect" "status $(status), location $(header Location)"; fi

# 8. A program that runs too long: 504, and the request still ends.
request "$base/app.wcgi/sleep"
check "timeout -> 504" 504 "did not answer in time"

# 9. A crash: 502.
request "$base/app.wcgi/crash"
check "crash -> 502" 502

# 10. A body over the limit: 413, nothing run.
request "$base/small.wcgi" --data "x=$(head -c 2000 /dev/zero | tr '\0' 'x')"
check "body over the limit -> 413" 413

# 11. The plain CGI program on the same server.
request "$base/plain.cgi?p=1"
check "plain CGI" 200 "method=GET" "query=p=1"

# 12. The guest-book sample (TCvCGIConnect on a form) behind the same bridge.
book="$work/book/guestbook.txt"
request "$base/guestbook.wcgi?greeting=hello%20world&tag=%3Cb%3E"
check "sample: GET with a query" 200 '<FORM METHOD="POST" ACTION="/guestbook.wcgi">' \
  '<LI class="query">greeting = hello world</LI>' '<LI class="query">tag = &lt;b&gt;</LI>' "No entries yet."
case "$(header Content-Type)" in
  "text/html; charset=utf-8") ok "sample: content type" ;;
  *) bad "sample: content type" "$(header Content-Type)" ;;
esac

request "$base/guestbook.wcgi" --data 'name=Anna+B&city=K%C3%B6ln&message=Hi+%3Cthere%3E+%26+bye'
check "sample: POST of a form" 200 "Thank you, Anna B" '<DD id="name">Anna B</DD>' '<DD id="city">Köln</DD>' \
  '<PRE>Hi &lt;there&gt; &amp; bye</PRE>' '<LI class="field">city (5 bytes)</LI>'
if [ -f "$book" ] && [ "$(wc -l <"$book")" = 1 ] && grep -qP '\tAnna B\tKöln\tHi <there> & bye$' "$book"; then
  ok "sample: entry appended to the guest book"
else
  bad "sample: guest book" "$(cat "$book" 2>/dev/null | head -c 300)"
fi

long=$(head -c 700 /dev/zero | tr '\0' 'M')
request "$base/guestbook.wcgi" --data "name=Bert&message=first%20line%0D%0A$long"
check "sample: large POST -> [Form External]" 200 '<LI class="external">message came in a file</LI>' \
  "Message ($((12 + 700)) bytes)" "first line"$'\r'
if body_has "$long</PRE>"; then ok "sample: long value read back whole"; else bad "sample: long value" "not in the page"; fi

request "$base/guestbook.wcgi"
if [ "$(status)" = 200 ] && body_has "<B>Bert</B>" && body_has "<B>Anna B</B> from Köln" &&
   [ "$(grep -o '<B>[^<]*</B>' "$work/body" | head -n1)" = "<B>Bert</B>" ]; then
  ok "sample: GET lists the entries, newest first"
else
  bad "sample: entries" "status $(status)"
fi

request "$base/guestbook.wcgi/fail"
check "sample: error page through CGIErrorHandler" 500 "Error in /guestbook.wcgi" \
  "An internal error has occured in this program" "The request asked for a failure (/fail)."
request "$base/guestbook.wcgi" --data 'city=Nowhere&message=%3Cscript%3E'
check "sample: missing name -> error page" 500 'The field &quot;name&quot; is required.'
if [ "$(wc -l <"$book")" = 2 ]; then ok "sample: failed requests wrote no entry"; else bad "sample: failed requests" "$(wc -l <"$book") lines"; fi

# 13. No request left anything in the bridge's temporary directory.
sleep 0.2
left=$(ls -A "$work/tmp")
if [ -z "$left" ]; then ok "no temporary files left"; else bad "no temporary files left" "$left"; fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
