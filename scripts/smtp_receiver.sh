# Sourced by the scripts that run scenarios approving a proposal: the SMTP receiver of the
# tests (tests/support/smtp_receiver.py), which the branch's mail server is pointed at.
# Needs $root (the project folder). Sets smtp_ready (1 when aiosmtpd is there), and
# start_smtp FOLDER sets smtp_port; stop_smtp stops it.
smtp_python=/usr/bin/python3
[ -x "$smtp_python" ] || smtp_python=python3
smtp_ready=0
"$smtp_python" -c 'import aiosmtpd' 2>/dev/null && smtp_ready=1
smtp_pid=""
start_smtp() {
  mkdir -p "$1"
  "$smtp_python" "$root/tests/support/smtp_receiver.py" --dir "$1" >"$1/port.txt" 2>"$1/stderr.txt" &
  smtp_pid=$!
  smtp_port=""
  for _ in $(seq 1 100); do
    smtp_port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$1/port.txt")
    [ -n "$smtp_port" ] && return 0
    sleep 0.1
  done
  return 1
}
stop_smtp() { [ -n "$smtp_pid" ] && { kill "$smtp_pid" 2>/dev/null; wait "$smtp_pid" 2>/dev/null; }; smtp_pid=""; }
