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
running=""  # the copy started last, ended by a failure
fail() {
  echo "$1"
  [ -n "$running" ] && kill -KILL "$running" 2>/dev/null
  exit 1
}

# Whether bit $3 of the signal mask $2 ("SigCgt", "SigBlk", "SigIgn") of process $1 is
# set: SIGTERM (15) is bit 14, SIGXFSZ (25) bit 24. Only once the process is the program:
# until it has made its way through exec, it is this shell, which catches SIGTERM for its
# EXIT trap, or env or setpriv.
mask_bit() {
  local mask
  [ "$(cat "/proc/$1/comm" 2>/dev/null)" = nuvir ] || return 1
  mask=$(awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/status" 2>/dev/null)
  [ -n "$mask" ] && (( (16#$mask >> $3) & 1 ))
}

# Waits for the command until it succeeds; false when process $1 ends first or after
# $2 seconds. A guard against a hang only: a start or a stop takes a fraction of a
# second, about 20 s under the sanitizers with forty busy programs on its processor.
wait_while_up() {
  local pid=$1 end=$((SECONDS + $2))
  shift 2
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || return 1
    (( SECONDS < end )) || return 1
    sleep 0.05
  done
}

# Ends process $1 with signal $2 (TERM unless told) and checks that it ends with exit
# status $3 (0, cleanly, unless told).
terminate() {
  local pid=$1 sig=${2:-TERM} status=${3:-0}
  kill -0 "$pid" 2>/dev/null || fail "nuvir ended by itself"
  kill -"$sig" "$pid"
  local end=$((SECONDS + 300))
  while kill -0 "$pid" 2>/dev/null && (( SECONDS < end )); do sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "nuvir did not end on SIG$sig"
  wait "$pid"
  local rc=$?
  [ "$rc" -eq "$status" ] || fail "nuvir exited with $rc, not $status"
}

# Runs the copy (behind an optional command such as a user switch), then ends it. Started
# with SIGINT at its default (a job of this script would have it ignored), the program
# hears it.
start_stop() {
  env --default-signal=INT HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen "$@" \
    "$work/prog/nuvir" &
  local pid=$!
  running=$pid
  # Up once its start-up has read the settings: the program puts its SIGTERM handler in
  # place then.
  wait_while_up "$pid" 300 mask_bit "$pid" SigCgt 14 || fail "nuvir ended by itself or did not start"
  mask_bit "$pid" SigCgt 1 || fail "nuvir does not hear SIGINT"
  # SIGXFSZ set aside: a file-size limit cannot end it.
  mask_bit "$pid" SigIgn 24 || fail "nuvir does not ignore SIGXFSZ"
  terminate "$pid"
}

# Started with SIGINT ignored (a job in the background of a script, whose Ctrl+C is the
# script's), the program keeps it ignored, before and after its settings are read; a
# SIGTERM still closes it.
keep_ignored_interrupt() {
  env --ignore-signal=INT HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    "$work/prog/nuvir" &
  local pid=$!
  running=$pid
  wait_while_up "$pid" 300 mask_bit "$pid" SigCgt 14 || fail "nuvir ended by itself or did not start"
  mask_bit "$pid" SigIgn 1 || fail "nuvir no longer ignores the SIGINT it was started with ignored"
  kill -INT "$pid"
  terminate "$pid"
}

# Before the start-up has read the settings, a SIGTERM or SIGINT ($1) ends the program
# at once and nothing is written: a species name longer than a name can be stops the
# start-up at a box, whose OK nobody gives. Both settings files stay as they were.
stop_before_settings_read() {
  rm -f "$work/prog"/*.ini
  { printf '[App Defaults]\r\nSpecies='; printf '%05000d' 0; printf '\r\n'; } >"$work/prog/nuvir.ini"
  printf '[App Defaults]\r\nSave Path=%s\r\n' "$work/home" >"$work/prog/nuvirOptions.ini"
  cp "$work/prog/nuvir.ini" "$work/ini.before"
  cp "$work/prog/nuvirOptions.ini" "$work/options.before"
  env --default-signal=INT HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    "$work/prog/nuvir" &
  local pid=$!
  running=$pid
  # The program's own first step: SIGXFSZ set aside.
  wait_while_up "$pid" 300 mask_bit "$pid" SigIgn 24 || fail "nuvir ended by itself or did not start"
  # Ended by the signal: the status a shell gives a process a signal killed.
  terminate "$pid" "$1" $((128 + $(kill -l "$1")))
  cmp -s "$work/prog/nuvir.ini" "$work/ini.before" || fail "nuvir.ini changed"
  cmp -s "$work/prog/nuvirOptions.ini" "$work/options.before" || fail "nuvirOptions.ini changed"
  local left
  left=$(ls -A "$work/prog" | grep '^\.')
  [ -z "$left" ] || fail "left behind by SIG$1: $left"
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

keep_ignored_interrupt
check_settings "$work/prog" "$work/prog"
echo "started with SIGINT ignored, nuvir kept it ignored and ended cleanly on SIGTERM"

for sig in TERM INT; do
  stop_before_settings_read "$sig"
  echo "a SIG$sig before nuvir had read its settings ended it at once, its settings files as they were"
done

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
