#!/usr/bin/env bash
# The fleet survey playbook (examples/ansible) against four simulated chassis
# on this machine: the report holds, for each, exactly what its own survey
# gives, and a row saying why for the one whose survey cannot run.
# Usage: fleet_survey_test.sh PATH/TO/r7n_uart_sim
set -u
here=$(cd "$(dirname "$0")" && pwd)
sim=$(realpath "$1") || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ANSIBLE_LOCALHOST_WARNING=False ANSIBLE_INVENTORY_UNPARSED_WARNING=False

start=$SECONDS
if ! ansible-playbook -i "$here/ansible/inventory.yml" "$here/../examples/ansible/fleet_survey.yml" \
  -e "sim=$sim" -e "report=$work/fleet.csv" >"$work/play.log" 2>&1; then
  echo "FAIL: the playbook failed:"
  cat "$work/play.log"
  exit 1
fi
echo "the playbook ran in $((SECONDS - start)) s; the report:"
sed 's/^/  | /' "$work/fleet.csv"

# What each chassis' own survey says, in the report's rows.
ansible-inventory -i "$here/ansible/inventory.yml" -e "sim=$sim" --list >"$work/inventory.json"
python3 - "$work/inventory.json" "$work/fleet.csv" "$sim" <<'PY'
import csv, json, subprocess, sys
inventory, report, sim = json.load(open(sys.argv[1])), sys.argv[2], sys.argv[3]
rows = list(csv.DictReader(open(report)))
failures = 0
for host in inventory["chassis"]["hosts"]:
    command = [a.replace("{{ sim }}", sim) for a in inventory["_meta"]["hostvars"][host]["r7n_uart_command"]]
    run = subprocess.run(command + ["survey", "--json"], capture_output=True, text=True)
    got = [r for r in rows if r["chassis"] == host]
    if run.returncode in (0, 1):
        want = [{"chassis": host, "unit": str(m["unit"]), "module": m["module"], "status": m["status"],
                 "address": m["address"] or "", "variant": m["variant"] or ""}
                for m in json.loads(run.stdout)["modules"]]
    else:
        want = got[:1] if len(got) == 1 and got[0]["status"].startswith(
            "survey failed, exit %d" % run.returncode) else None
    if got == want:
        print("ok: %s: %d rows as its own survey gives" % (host, len(got)))
    else:
        print("FAIL: %s: report %s, survey %s" % (host, got, want))
        failures += 1
sys.exit(1 if failures else 0)
PY
