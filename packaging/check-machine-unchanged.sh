#!/usr/bin/env bash
# Runs a command (the passes of `make test`) and fails when it left the machine changed:
# an account or a group, a package installed, removed or at another version, an entry in
# /var/tmp. The folders systemd makes there for services that start meanwhile are not ours.
# usage: check-machine-unchanged.sh <command>...
set -uo pipefail
state() {
    echo "== /etc/passwd"; cat /etc/passwd
    echo "== /etc/group"; cat /etc/group
    echo "== dpkg -l"; dpkg -l
    echo "== /var/tmp"; find /var/tmp -mindepth 1 -maxdepth 1 ! -name 'systemd-private-*' -printf '%u %p\n' | sort
}
before=$(state)
"$@"
status=$?
after=$(state)
if [ "$before" != "$after" ]; then
    echo "The tests left the machine changed (- before, + after):" >&2
    diff <(echo "$before") <(echo "$after") | sed -n 's/^</-/p; s/^>/+/p' >&2
    [ "$status" -ne 0 ] || status=1
fi
exit "$status"
