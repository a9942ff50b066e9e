#!/bin/sh
# Starts a private print server for the printing tests: its own configuration, spool and logs
# under ROOT, listening only on ROOT/cups.sock, with two cups-pdf queues whose documents land
# in ROOT/out. Usage: cups-start.sh ROOT NAME (NAME tells this build's queues apart).
set -eu

root=$1
name=$2
sock=$root/cups.sock
# cups-pdf reads its settings only from this directory: one file per device name.
pdfconf=/etc/cups/cups-pdf-$name.conf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# Bounds on every wait, in polls of pollSeconds.
pollSeconds=0.05
maxPolls=400

if [ "$(id -u)" -ne 0 ]; then
  echo "cups-start: the print server needs root (it runs its backend and filters as lp); skipping" >&2
  exit 77
fi
# lpadmin lives in the administrator's path.
PATH=$PATH:/usr/sbin
if [ ! -x /usr/lib/cups/backend/cups-pdf ] || [ ! -f "$ppd" ]; then
  echo "cups-start: cups-pdf is not installed (scripts/setup installs it)" >&2
  exit 1
fi

# A server left over from an interrupted run goes first.
"$(dirname "$0")/cups-stop.sh" "$root" "$name"

mkdir -p "$root"
chmod 0755 "$root"
mkdir -p "$root/conf/ppd" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" \
  "$root/out" "$root/pdfspool" "$root/bin" "$root/serverbin/backend"

# The scheduler and the PDF backend run from copies: a security profile that confines the
# installed ones by their path would keep them from this directory, and keep the backend from
# its settings file below. Filters and helpers are the installed ones.
cp /usr/sbin/cupsd "$root/bin/cupsd"
cp -p /usr/lib/cups/backend/cups-pdf "$root/serverbin/backend/cups-pdf"
for part in filter daemon cgi-bin monitor notifier driver; do
  if [ -d "/usr/lib/cups/$part" ]; then ln -s "/usr/lib/cups/$part" "$root/serverbin/$part"; fi
done
# Filters run as lp: they read the spool and write its temporary directory.
chown root:lp "$root/spool" "$root/spool/tmp" "$root/cache" "$root/state"
chmod 0710 "$root/spool"
chmod 1770 "$root/spool/tmp"
chmod 0770 "$root/cache" "$root/state"
chmod 0755 "$root/out" "$root/pdfspool" "$root/log"

cat > "$root/conf/cups-files.conf" <<CONF
User lp
Group lp
SystemGroup root
ServerRoot $root/conf
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ServerBin $root/serverbin
DataDir /usr/share/cups
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
Printcap $root/printcap
FileDevice No
CONF

cat > "$root/conf/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
PreserveJobHistory Yes
PreserveJobFiles No
PageLogFormat %j %P %C copies=%{copies} orientation=%{orientation-requested} landscape=%{landscape} sides=%{sides} media=%{media} name=%{job-name}
MaxJobs 0
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

cat > "$pdfconf" <<CONF
Out $root/out
Spool $root/pdfspool
Log $root/log
Label 1
CONF

# In the foreground, but detached from this script's output, so that the pid is ours to stop.
"$root/bin/cupsd" -f -c "$root/conf/cupsd.conf" -s "$root/conf/cups-files.conf" \
  </dev/null >>"$root/log/cupsd.out" 2>&1 &
echo $! >"$root/cupsd.pid"

polls=0
until [ -S "$sock" ] && lpstat -h "$sock" -r >/dev/null 2>&1; do
  polls=$((polls + 1))
  if [ "$polls" -ge "$maxPolls" ] || ! kill -0 "$(cat "$root/cupsd.pid")" 2>/dev/null; then
    echo "cups-start: the server did not come up; its log follows" >&2
    cat "$root/log/error_log" >&2 2>/dev/null || true
    exit 1
  fi
  sleep "$pollSeconds"
done

lpadmin -h "$sock" -p mirola-pdf -E -v "cups-pdf:/$name" -P "$ppd" -D "mirola test queue"
lpadmin -h "$sock" -p mirola-pdf-2 -E -v "cups-pdf:/$name" -P "$ppd" -D "mirola second queue"
lpadmin -h "$sock" -d mirola-pdf
lpstat -h "$sock" -p -d
