#!/usr/bin/python3
"""Brings a branch to a working office's size through the server itself.

    bench/load/prepare.py --host http://127.0.0.1:8211 [--proposals 20000] [--branch 0001]

Creates proposals as the desktop creates them (the header the recording saves, with a
reference, a date in the past year and a validity of thirty days that vary), a hundred per
request, until the branch lists the number asked. Signs in as COT_LOAD_SALES.
"""
import argparse
import datetime
import json
import os
import random
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
WORDS = ["ERP Web", "Implantação", "Contabilidade", "Escrita Fiscal", "Folha", "Estoque", "Faturamento",
         "Treinamento", "Migração", "Consultoria"]
PLACES = ["matriz", "filial Rio", "filial Campinas", "unidade Norte", "loja centro", "fábrica"]


def rpc(host, token, body):
    headers = {"Content-Type": "application/json"}
    if token:
        headers["Authorization"] = "Bearer " + token
    request = urllib.request.Request(host + "/rpc", json.dumps(body).encode(), headers)
    with urllib.request.urlopen(request, timeout=600) as answer:
        return json.loads(answer.read())


def results(replies):
    errors = [r["error"]["message"] for r in replies if "error" in r]
    if errors:
        raise SystemExit("the server refused: " + errors[0])
    return [r["result"] for r in sorted(replies, key=lambda r: r["id"])]


def header_template():
    with open(os.path.join(HERE, "calls", "create_proposal.json"), encoding="utf-8") as f:
        for request in json.load(f)["requests"]:
            if not isinstance(request, list) and request["method"] == "SetProposta":
                table = request["params"][0]
                return table["fields"], table["changes"][0]["new"]
    raise SystemExit("calls/create_proposal.json holds no header")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--proposals", type=int, default=20000)
    parser.add_argument("--branch", default=os.environ.get("COT_LOAD_BRANCH", "0001"))
    args = parser.parse_args()
    who, password = os.environ.get("COT_LOAD_SALES", "VENDEDOR:vendedor").split(":", 1)
    token = results([rpc(args.host, None, {"jsonrpc": "2.0", "id": 1, "method": "AbreSessao",
                                           "params": [who, password, args.branch]})])[0]["token"]
    listed = results([rpc(args.host, token, {"jsonrpc": "2.0", "id": 1, "method": "GetProposta",
                                             "params": [args.branch, "T"]})])[0]
    missing = args.proposals - len(listed["rows"])
    fields, template = header_template()
    names = [f["name"] for f in fields]
    at = {n: names.index(n) for n in ("NRPROPOSFAS", "DSREFEPROPOSFAS", "DTPROPOSFAS", "DTVALPROPFAS",
                                      "DTINCLUSAO", "CDFILIAL")}
    today = datetime.date.today()
    rng = random.Random(20000)
    made = 0
    while made < missing:
        count = min(100, missing - made)
        numbers = results(rpc(args.host, token, [{"jsonrpc": "2.0", "id": i + 1, "method": "PrxProposta",
                                                  "params": []} for i in range(count)]))
        saves = []
        for i, number in enumerate(numbers):
            day = today - datetime.timedelta(days=rng.randrange(365))
            row = list(template)
            row[at["NRPROPOSFAS"]] = number
            row[at["CDFILIAL"]] = args.branch
            row[at["DSREFEPROPOSFAS"]] = f"{rng.choice(WORDS)} - {rng.choice(PLACES)} {made + i + 1}"
            row[at["DTPROPOSFAS"]] = day.isoformat() + "T00:00:00.000"
            row[at["DTVALPROPFAS"]] = (day + datetime.timedelta(days=30)).isoformat() + "T00:00:00.000"
            row[at["DTINCLUSAO"]] = day.strftime("%d/%m/%Y") + " 09:00:00"
            saves.append({"jsonrpc": "2.0", "id": i + 1, "method": "SetProposta",
                          "params": [{"changes": [{"op": "insert", "new": row}], "fields": fields}]})
        results(rpc(args.host, token, saves))
        made += count
        print(f"\r{made} of {missing} proposals made", end="", file=sys.stderr)
    print(file=sys.stderr)
    rpc(args.host, token, {"jsonrpc": "2.0", "id": 1, "method": "FechaSessao", "params": []})
    print(f"branch {args.branch}: {len(listed['rows']) + max(missing, 0)} proposals")


if __name__ == "__main__":
    main()
