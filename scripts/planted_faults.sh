#!/usr/bin/env bash
# Plants, one at a time, a fault in a rule where a wrong result costs money or data, rebuilds,
# runs the tests (every label but the slow process ones) and prints the tests that caught it.
# A fault no test catches is a hole in the suite: the script then fails. Each file is put back
# as it was, whatever happens. Run on a clean tree (it edits the sources in place).
#   scripts/planted_faults.sh [build dir]      (default: build/)
# COT_FAULT=word plants only the faults whose name holds that word.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
# name | file | text as it stands | text planted in its place (neither holding a '|')
faults=(
  "schedule: the cent the cut leaves is lost|kernel/services/installment_schedule.cpp|if (!shares.empty()) shares.front() += remainder;|(void)remainder;"
  "totals: services left out of the quoted total|server/methods/proposal_totals.cpp|t.quoted += t.services;|(void)t.services;"
  "access: a method's branch argument not checked|server/auth/access_check.cpp|for (int arg : rule.branchArgs()) caller.requireBranch(args.string(arg));|(void)caller;"
  "access: a stored proposal of another operator visible|server/auth/proposal_rights.cpp|if (owner) requireOwner(caller, *owner, use);|(void)owner; (void)caller; (void)use;"
  "acceptance: a version acted on after another was accepted|server/methods/deal_acceptance.cpp|if (const auto accepted = acceptedOther(db, nr, ver)) throw MethodError(refusal(what, *accepted, ver));|(void)db; (void)what; (void)nr; (void)ver;"
  "acceptance: a second acceptance of the number wins too|server/methods/deal_acceptance.cpp|if (inserted == 0) return acceptedOther(db, nr, ver);|(void)inserted;"
  "keys: a key with letters taken as a proposal number|server/auth/proposal_key.cpp|c > u'9') return false;|c > u'z') return false;"
)
export QT_QPA_PLATFORM=offscreen
# Puts a file back, newer than its objects so that the next build compiles it again.
restore() {
  mv -f "$1.orig" "$1"
  touch "$1"
}
holes=0
for fault in "${faults[@]}"; do
  IFS='|' read -r name file from to <<<"$fault"
  [[ "$name" == *"${COT_FAULT:-}"* ]] || continue
  cp "$file" "$file.orig"
  trap 'restore "$file"' EXIT
  python3 - "$file" "$from" "$to" <<'PY'
import sys
path, old, new = sys.argv[1:]
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"{path}: the text to replace is not there exactly once: {old}")
open(path, 'w').write(text.replace(old, new))
PY
  echo "== $name ($file)"
  log="$(mktemp)"
  if ! cmake --build "$build" -j "$(nproc)" >"$log" 2>&1; then
    tail -20 "$log"
    exit 2
  fi
  (cd "$build" && ctest -j "$(nproc)" -L '^(unit|server|trust|deal|screens)$' --timeout 300 >"$log" 2>&1) || true
  caught="$(grep -E '^\s*[0-9]+ - .* \(' "$log" | grep -v '(Skipped)\|(Not Run)' | sed -E 's/^\s*[0-9]+ - (.*) \(.*$/\1/; s/ +# GetParam.*//' || true)"
  if [ -z "$caught" ]; then
    echo "   NOT CAUGHT"
    holes=$((holes + 1))
  else
    echo "$caught" | sed 's/^/   caught by /'
  fi
  rm -f "$log"
  restore "$file"
  trap - EXIT
done
cmake --build "$build" -j "$(nproc)" >/dev/null
exit "$holes"
