#!/usr/bin/python3
"""Prints a load run's table from Locust's CSV.

    bench/load/table.py OUT/run        (reads OUT/run_stats.csv)

One row per kind of call: how many, failures, calls per second, and the 50th, 95th and 99th
percentiles in ms; then whether every interactive call kept its 95th percentile under
250 ms with no failure. Not interactive: the sign-in (its password check is slow on
purpose), the whole list of the branch (its time grows with the branch) and the sending to
the client (it waits on the mail server).
"""
import csv
import sys

NOT_INTERACTIVE = {"AbreSessao", "GetProposta", "EnviarAoCliente"}
BOUND_MS = 250


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    with open(sys.argv[1] + "_stats.csv", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    total = next(r for r in rows if r["Name"] == "Aggregated")
    calls = sorted((r for r in rows if r["Name"] != "Aggregated"), key=lambda r: -int(r["Request Count"]))
    print("| call | calls | failures | calls/s | p50 ms | p95 ms | p99 ms |")
    print("|---|---|---|---|---|---|---|")
    for r in calls + [total]:
        name = "**all**" if r is total else r["Name"] + (" (not interactive)" if r["Name"] in NOT_INTERACTIVE else "")
        print(f"| {name} | {r['Request Count']} | {r['Failure Count']} | {float(r['Requests/s']):.1f} | "
              f"{r['50%']} | {r['95%']} | {r['99%']} |")
    slow = [r["Name"] for r in calls if r["Name"] not in NOT_INTERACTIVE and float(r["95%"] or 0) >= BOUND_MS]
    failed = int(total["Failure Count"])
    verdict = "held" if not slow and not failed else "not held"
    print(f"\nEvery interactive call under {BOUND_MS} ms at the 95th percentile and no failure: {verdict}"
          + (f" (slow: {', '.join(slow)})" if slow else "") + (f" ({failed} failures)" if failed else ""))
    return 0 if verdict == "held" else 1


if __name__ == "__main__":
    sys.exit(main())
