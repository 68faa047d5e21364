#!/usr/bin/env bash
# A private CUPS server for the printing tests, next to (never instead of) any system one.
#   cups-fixture.sh start DIR   starts it with its socket at DIR/cups.sock and two queues:
#     Capture  raw queue whose backend saves each job's bytes and arguments under DIR/jobs/
#     Margins  same backend, with a PPD that declares 6.35 mm hardware margins at 1200 dpi,
#              two paper sources (Tray1, Manual) and US Letter as its default paper (so that a
#              printer's own defaults differ from A4, the placeholder printer's)
#   cups-fixture.sh stop DIR    stops it and removes DIR
# Clients reach it with CUPS_SERVER=DIR/cups.sock.
set -euo pipefail
cmd=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)

stop() {
    if [ -f "$dir/cupsd.pid" ]; then
        pid=$(cat "$dir/cupsd.pid")
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}

if [ "$cmd" = stop ]; then
    stop
    exit 0
fi

stop
mkdir -p "$dir"/{spool,tmp,cache,state,log,jobs,ppd,serverbin/backend}
chmod 0755 "$dir" "$dir/jobs"
chmod 1777 "$dir/tmp"
for entry in /usr/lib/cups/*; do
    [ "$(basename "$entry")" = backend ] && continue
    ln -s "$entry" "$dir/serverbin/$(basename "$entry")"
done
cat > "$dir/serverbin/backend/capture" <<'BACKEND'
#!/bin/sh
# capture:/dir — saves the job's bytes and its arguments. Without arguments it lists itself.
if [ $# -eq 0 ]; then
    echo 'direct capture "Unknown" "Capture backend"'
    exit 0
fi
out=${DEVICE_URI#capture:}
base="$out/job-$1"
printf 'job=%s\nuser=%s\ntitle=%s\ncopies=%s\noptions=%s\nprinter=%s\n' "$1" "$2" "$3" "$4" "$5" "$PRINTER" > "$base.args.tmp"
if [ -n "$6" ]; then cat "$6" > "$base.data"; else cat > "$base.data"; fi
chmod 0644 "$base.data" "$base.args.tmp"
mv "$base.args.tmp" "$base.args"
exit 0
BACKEND
chmod 0700 "$dir/serverbin/backend/capture"

cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin $dir/serverbin
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
CONF
cat > "$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
Browsing No
DefaultAuthType None
LogLevel warn
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
/usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" > "$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"
export CUPS_SERVER="$dir/cups.sock"
# lpstat -r exits 0 whether or not the scheduler answers, so read what it says.
ready=no
for _ in $(seq 1 200); do
    if [ -S "$dir/cups.sock" ] && [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]; then
        ready=yes
        break
    fi
    if ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if [ "$ready" != yes ]; then
    echo "cups-fixture: the private scheduler did not come up" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    exit 1
fi
lpadmin -p Capture -E -v "capture:$dir/jobs" -m raw
lpadmin -p Margins -E -v "capture:$dir/jobs" -P "$here/fixtures/margins.ppd" -o PageSize=Letter
lpadmin -d Capture
echo "cups-fixture: running at $dir/cups.sock"
