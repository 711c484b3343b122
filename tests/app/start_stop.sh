#!/usr/bin/env bash
# The program starts without a display, stays up, ends cleanly on SIGTERM and writes its
# two settings files on the way out: beside itself when its folder takes files, under
# $XDG_CONFIG_HOME/nuvir when it does not. It runs from a copy in a temporary folder, so
# the build folder is left as it was.
set -u
exe="$1"
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/prog" "$work/home" "$work/config"
cp "$exe" "$work/prog/nuvir" || { echo "no program at $exe"; exit 1; }
chmod 755 "$work/prog/nuvir"
fail() { echo "$1"; exit 1; }

# Runs the copy (behind an optional command such as a user switch), then ends it.
start_stop() {
  env HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen "$@" "$work/prog/nuvir" &
  local pid=$!
  # Up once its SIGTERM handler is in place (bit 14 of the caught mask); a loaded
  # machine may take a while to get there.
  local caught=""
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || fail "nuvir ended by itself"
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
    [ -n "$caught" ] && (( (16#$caught >> 14) & 1 )) && break
    sleep 0.1
  done
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "nuvir ended by itself"
  # SIGXFSZ (25, bit 24 of the mask) set aside: a file-size limit cannot end it.
  local ignored
  ignored=$(awk '/^SigIgn:/ { print $2 }' "/proc/$pid/status")
  (( (16#$ignored >> 24) & 1 )) || fail "nuvir does not ignore SIGXFSZ (SigIgn $ignored)"
  kill -TERM "$pid"
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "nuvir did not end on SIGTERM"
  fi
  wait "$pid"
  local rc=$?
  [ "$rc" -eq 0 ] || fail "nuvir exited with $rc"
}

# Each line must be in the file.
expect_lines() {
  local file="$1"
  shift
  [ -f "$file" ] || fail "no $file"
  for line in "$@"; do
    grep -qxF -- "$line" <(tr -d '\r' <"$file") || fail "$file lacks the line '$line'"
  done
}

# The settings of a new assessment and the folders the program chose for documents.
check_settings() {
  local folder="$1" documents="$2"
  expect_lines "$folder/nuvir.ini" "[App Defaults]" "Species=New Species" "Location=New Location" \
    "Reg Use Constant=False" "Rho Two Tails=True"
  expect_lines "$folder/nuvirOptions.ini" "[App Defaults]" "Report Path=$documents" "Save Path=$documents" \
    "Batch Path=$documents" "Export Path=$documents"
}

start_stop
check_settings "$work/prog" "$work/prog"
echo "nuvir started and stopped cleanly, its settings beside it"

# Under a file-size limit of 20 KiB the report template (larger) cannot be written and an
# options file of 30 KB cannot be rewritten: the program lives on, the options file stays
# as it was, and no hidden temporary or lock file is left.
rm -f "$work/prog"/*.ini "$work/prog"/*.rtf
{
  printf '[App Defaults]\r\nReport Path=%s\r\n[Padding]\r\n' "$work/prog"
  for i in $(seq 300); do printf 'k%d=%0100d\r\n' "$i" 0; done
} >"$work/prog/nuvirOptions.ini"
cp "$work/prog/nuvirOptions.ini" "$work/options.before"
(ulimit -f 20 && start_stop) || exit 1
cmp -s "$work/prog/nuvirOptions.ini" "$work/options.before" || fail "the options file changed under the limit"
[ ! -e "$work/prog/ReportTemplate_v32.rtf" ] || fail "a report template was written past the limit"
left=$(ls -A "$work/prog" | grep '^\.')
[ -z "$left" ] || fail "left behind under the limit: $left"
echo "under a file-size limit nuvir lived on and left its files whole"

# A read-only program folder. Root writes into any folder, so that run is made as an
# unprivileged user when the test runs as root.
rm -f "$work/prog"/*.ini
chmod 555 "$work/prog"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  if command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  elif command -v runuser >/dev/null; then
    as_user=(runuser -u nobody --)
  else
    echo "read-only run skipped: running as root with neither setpriv nor runuser"
    exit 0
  fi
  chown -R 65534:65534 "$work/home" "$work/config"
fi
start_stop "${as_user[@]}"
[ -z "$(ls "$work/prog"/*.ini 2>/dev/null)" ] || fail "settings written into the read-only program folder"
check_settings "$work/config/nuvir" "$work/home"
echo "with its folder read-only, nuvir kept its settings in \$XDG_CONFIG_HOME/nuvir"
