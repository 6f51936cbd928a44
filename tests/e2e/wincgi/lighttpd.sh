# Shared by tests/e2e/wincgi/run_e2e.sh and bench/wincgi/run.sh (sourced):
# the Debian packages they need, and a private lighttpd on a free loopback
# port that runs CGI programs.
#
#   wincgi_need PACKAGE:COMMAND ...      installs what is missing (apt-get)
#   wincgi_find_binaries BUILD_DIR       sets WINCGI_BRIDGE, WINCGI_PROGRAM
#                                        (builds the two targets when needed)
#   wincgi_find_sample BUILD_DIR         sets WINCGI_SAMPLE, the guest-book
#                                        sample program (built when needed)
#   wincgi_start_lighttpd WORKDIR CONFIG_EXTRA
#                                        starts lighttpd on 127.0.0.1, sets
#                                        WINCGI_PORT and WINCGI_LIGHTTPD_PID
#   wincgi_stop_lighttpd                 stops it (safe to call twice)

wincgi_need() {
  local missing=() item pkg cmd
  for item in "$@"; do
    pkg=${item%%:*}
    cmd=${item#*:}
    command -v "$cmd" >/dev/null 2>&1 || [ -x "/usr/sbin/$cmd" ] || missing+=("$pkg")
  done
  ((${#missing[@]})) || return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" \
      >/dev/null
}

wincgi_find_binaries() {
  local build=$1
  WINCGI_BRIDGE=${WINCGI_BRIDGE:-$build/apps/wincgi/corvane-wincgi}
  WINCGI_PROGRAM=${WINCGI_PROGRAM:-$build/apps/wincgi/fake-wincgi}
  if [ ! -x "$WINCGI_BRIDGE" ] || [ ! -x "$WINCGI_PROGRAM" ]; then
    if [ -f "$build/CMakeCache.txt" ]; then
      cmake --build "$build" --target corvane-wincgi fake-wincgi -j 2 >/dev/null || return 1
    fi
  fi
  if [ ! -x "$WINCGI_BRIDGE" ] || [ ! -x "$WINCGI_PROGRAM" ]; then
    echo "missing $WINCGI_BRIDGE or $WINCGI_PROGRAM (build the targets corvane-wincgi and fake-wincgi)" >&2
    return 1
  fi
  WINCGI_BRIDGE=$(readlink -f "$WINCGI_BRIDGE")
  WINCGI_PROGRAM=$(readlink -f "$WINCGI_PROGRAM")
}

wincgi_find_sample() {
  local build=$1
  WINCGI_SAMPLE=${WINCGI_SAMPLE:-$build/apps/cgisample/corvane-cgisample}
  if [ ! -x "$WINCGI_SAMPLE" ] && [ -f "$build/CMakeCache.txt" ]; then
    cmake --build "$build" --target corvane-cgisample -j 2 >/dev/null || return 1
  fi
  if [ ! -x "$WINCGI_SAMPLE" ]; then
    echo "missing $WINCGI_SAMPLE (build the target corvane-cgisample)" >&2
    return 1
  fi
  WINCGI_SAMPLE=$(readlink -f "$WINCGI_SAMPLE")
}

WINCGI_LIGHTTPD_PID=""

wincgi_stop_lighttpd() {
  if [ -n "$WINCGI_LIGHTTPD_PID" ]; then
    kill "$WINCGI_LIGHTTPD_PID" 2>/dev/null
    local i
    for i in $(seq 1 50); do
      kill -0 "$WINCGI_LIGHTTPD_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$WINCGI_LIGHTTPD_PID" 2>/dev/null
    wait "$WINCGI_LIGHTTPD_PID" 2>/dev/null
    wincgi_find_sample() {
  local build=$1
  WINCGI_SAMPLE=${WINCGI_SAMPLE:-$build/apps/cgisample/corvane-cgisample}
  if [ ! -x "$WINCGI_SAMPLE" ] && [ -f "$build/CMakeCache.txt" ]; then
    cmake --build "$build" --target corvane-cgisample -j 2 >/dev/null || return 1
  fi
  if [ ! -x "$WINCGI_SAMPLE" ]; then
    echo "missing $WINCGI_SAMPLE (build the target corvane-cgisample)" >&2
    return 1
  fi
  WINCGI_SAMPLE=$(readlink -f "$WINCGI_SAMPLE")
}

WINCGI_LIGHTTPD_PID=""
  fi
}

# WORKDIR holds docroot/ (the scripts) and receives lighttpd.conf, the logs
# and upload/.  CONFIG_EXTRA is appended to the generated configuration.
wincgi_start_lighttpd() {
  local work=$1 extra=$2 attempt port i lighttpd
  lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)
  mkdir -p "$work/upload"
  for attempt in $(seq 1 20); do
    port=$((20000 + (RANDOM * 7 + attempt * 131) % 40000))
    # Skip a port something already listens on.
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    cat >"$work/lighttpd.conf" <<EOF
server.document-root = "$work/docroot"
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$work/error.log"
server.upload-dirs = ( "$work/upload" )
server.modules = ( "mod_setenv", "mod_cgi" )
server.max-request-size = 65536
index-file.names = ( )
static-file.exclude-extensions = ( ".wcgi", ".cgi" )
$extra
EOF
    "$lighttpd" -D -f "$work/lighttpd.conf" >>"$work/lighttpd.out" 2>&1 &
    WINCGI_LIGHTTPD_PID=$!
    for i in $(seq 1 100); do
      if ! kill -0 "$WINCGI_LIGHTTPD_PID" 2>/dev/null; then break; fi
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        WINCGI_PORT=$port
        return 0
      fi
      sleep 0.05
    done
    wincgi_stop_lighttpd
  done
  echo "lighttpd did not start; its output:" >&2
  cat "$work/lighttpd.out" "$work/error.log" >&2 2>/dev/null
  return 1
}
