"""An office's working day against one cot05000-server: salespeople and a manager.

Every call is one the desktop really sends, in its order, taken from the recordings in
calls/ (record_calls.py runs the scenarios on the real shell through a relay). A recording
is replayed on this user's own rows: the proposal number, the line and version handed out
by the server, today's date are mapped from the recorded ones to this user's; an update
takes its old row from what the server holds now, as the screen does.

    locust -f bench/load/locustfile.py --headless -u 300 -r 5 -t 10m --host http://127.0.0.1:8211 --csv out

COT_LOAD_BRANCH (0001), COT_LOAD_SALES (VENDEDOR:vendedor), COT_LOAD_MANAGER
(GERENTE:gerente) name who signs in. Each request is reported under its method's name
(a batch under its methods joined by "+"); the actions are not timed as a whole.
"""
import datetime
import itertools
import json
import os
import random

from locust import HttpUser, between, task
from requests.adapters import HTTPAdapter

HERE = os.path.dirname(os.path.abspath(__file__))
BRANCH = os.environ.get("COT_LOAD_BRANCH", "0001")
SALES = os.environ.get("COT_LOAD_SALES", "VENDEDOR:vendedor").split(":", 1)
MANAGER = os.environ.get("COT_LOAD_MANAGER", "GERENTE:gerente").split(":", 1)
SIGN_IN = 5  # a recording's first requests: sign-in, server clock, rights, the list, parameters
SEARCH_WORDS = ["ERP", "Web", "Implantação", "Alfa", "Beta", "Contabilidade", "Fiscal", "matriz"]
line_codes = itertools.count(7000 + random.randrange(100) * 100)
desks = itertools.count()


def recording(name):
    with open(os.path.join(HERE, "calls", name + ".json"), encoding="utf-8") as f:
        return json.load(f)


CALLS = {name: recording(name) for name in ("create_proposal", "list_open_with_enter", "product_line_systems",
                                            "running_total", "copy_proposal", "send_to_client", "pipeline",
                                            "filter_list")}


def action(name):
    """The requests of a recording between signing in and signing out."""
    return CALLS[name]["requests"][SIGN_IN:-1]


def recorded_number(name, method):
    """The proposal number (twenty digits) the recording's first call of `method` names."""
    for request in CALLS[name]["requests"]:
        for call in request if isinstance(request, list) else [request]:
            if call["method"] == method:
                return next(p for p in call["params"] if isinstance(p, str) and len(p) == 20 and p.isdigit())
    raise KeyError(method)


def grace_days():
    """The grace dates of the line the recording inserts (DTCALUSLINPP and its copy)."""
    for request in CALLS["product_line_systems"]["requests"]:
        if not isinstance(request, list) and request["method"] == "SetLinProd":
            table = request["params"][0]
            names = [f["name"] for f in table["fields"]]
            row = table["changes"][0]["new"]
            return {row[names.index(n)] for n in ("DTCALUSLINPP", "DTCALUSLINPPAUX") if row[names.index(n)]}
    return set()


class FromAddress(HTTPAdapter):
    """Each user calls from a loopback address of his own, as each salesperson has his own
    machine: the server bounds what one address may hold."""

    def __init__(self, address):
        self.address = address
        super().__init__()

    def init_poolmanager(self, *args, **kwargs):
        kwargs["source_address"] = (self.address, 0)
        super().init_poolmanager(*args, **kwargs)


class Failed(Exception):
    pass


class Desk(HttpUser):
    """What every user of the desktop shares: a session and the replay of recordings."""
    abstract = True
    wait_time = between(4, 20)  # seconds of reading and typing between two actions
    who = SALES

    def on_start(self):
        n = next(desks)
        self.client.mount("http://", FromAddress(f"127.1.{n // 250}.{n % 250 + 1}"))
        self.token = None
        self.today = datetime.date.today()
        result = self.call("AbreSessao", [self.who[0], self.who[1], BRANCH])
        self.token = result["token"]
        for request in CALLS["create_proposal"]["requests"][1:SIGN_IN]:
            self.send(request, {}, "create_proposal")

    def on_stop(self):
        if self.token:
            self.call("FechaSessao", [])

    # One request as the desktop sends it; the result when it worked.
    def call(self, method, params, name=None):
        return self.post({"jsonrpc": "2.0", "id": 1, "method": method, "params": params}, name or method)

    def post(self, body, name):
        headers = {"Content-Type": "application/json"}
        if self.token:
            headers["Authorization"] = "Bearer " + self.token
        with self.client.post("/rpc", data=json.dumps(body), headers=headers, name=name,
                              catch_response=True) as response:
            if response.status_code != 200:
                response.failure(f"HTTP {response.status_code}")
                raise Failed(name)
            answer = response.json()
            answers = answer if isinstance(answer, list) else [answer]
            errors = [a["error"].get("message", "") for a in answers if "error" in a]
            if errors:
                response.failure(errors[0])
                raise Failed(name)
            return answer["result"] if isinstance(answer, dict) else [a.get("result") for a in answers]

    # A recorded request on this user's rows: recorded values found in `mapping` become
    # this user's, the recording's day becomes today.
    def send(self, request, mapping, recording_name):
        day = CALLS[recording_name]["day"]
        calls = request if isinstance(request, list) else [request]
        bodies = [{"jsonrpc": "2.0", "id": i + 1, "method": c["method"],
                   "params": self.mapped(c["params"], mapping, day)} for i, c in enumerate(calls)]
        if isinstance(request, list):
            results = self.post(bodies, "+".join(c["method"] for c in calls))
        else:
            results = [self.post(bodies[0], calls[0]["method"])]
        for c, result in zip(calls, results):
            self.learn(c, result, mapping)
        return results[-1]

    def mapped(self, value, mapping, day):
        if isinstance(value, list):
            return [self.mapped(v, mapping, day) for v in value]
        if isinstance(value, dict):
            return {k: self.mapped(v, mapping, day) for k, v in value.items()}
        if isinstance(value, str):
            if value in mapping:
                return mapping[value]
            if day in value:
                return value.replace(day, self.today.isoformat())
            shown = datetime.date.fromisoformat(day).strftime("%d/%m/%Y")
            if shown in value:
                return value.replace(shown, self.today.strftime("%d/%m/%Y"))
        return value

    @staticmethod
    def learn(call, result, mapping):
        """A number or version the server handed out in the recording stands for the one it
        hands out now (PrxProposta and PrxLinhaProd answer a text, getMaxVerPropFas one cell)."""
        def single(value):
            if isinstance(value, dict) and len(value.get("rows", [])) == 1 and len(value["rows"][0]) == 1:
                return value["rows"][0][0]
            return value
        if not (call["method"].startswith("Prx") or call["method"] == "getMaxVerPropFas"):
            return
        recorded, now = single(call.get("result")), single(result)
        if isinstance(recorded, str) and isinstance(now, str):
            mapping[recorded] = now

    def replay(self, name, mapping):
        try:
            for request in action(name):
                self.send(request, mapping, name)
        except Failed:
            pass  # counted by locust; the user goes on with his day


class Salesperson(Desk):
    weight = 10

    def on_start(self):
        super().on_start()
        self.lines = 0
        self.own = None
        self.numbers = []
        self.new_proposal()

    def new_proposal(self):
        mapping = {}
        self.replay("create_proposal", mapping)
        self.own = mapping.get(recorded_number("create_proposal", "getMaxVerPropFas"))
        self.version = "01"
        self.lines = 0

    def own_mapping(self, name, method="GetLinProd"):
        return {recorded_number(name, method): self.own, "01": self.version}

    @task(4)
    def open_a_proposal(self):
        """Picks a proposal of the list and opens its form (the calls up to the first save)."""
        if not self.numbers:
            page = self.call("GetPropostaAux", [BRANCH, "T", "T", None, None, None, None, "T", None, None, "T", "T",
                                                "T", "", "", "", "T", "T", random.choice(SEARCH_WORDS), "T", "", "",
                                                "T"], "GetPropostaAux")
            fields = [f["name"] for f in page["fields"]]
            nr, ver = fields.index("NRPROPOSFAS"), fields.index("NRVERPROPFAS")
            self.numbers = [(row[nr], row[ver]) for row in page["rows"]][:200]
        if not self.numbers:
            return
        number, version = random.choice(self.numbers)
        requests = action("list_open_with_enter")
        upto = next(i for i, r in enumerate(requests) if not isinstance(r, list) and r["method"] == "SetUpdReaju")
        mapping = {recorded_number("list_open_with_enter", "GetLinProd"): number, "01": version}
        try:
            for request in requests[:upto]:
                self.send(request, mapping, "list_open_with_enter")
        except Failed:
            pass

    @task(3)
    def search(self):
        call = action("filter_list")[-1]
        params = list(call["params"])
        params[18] = random.choice(SEARCH_WORDS)
        try:
            self.call("GetPropostaAux", params)
        except Failed:
            pass

    @task(3)
    def running_total(self):
        try:
            self.call("GetTotaisProposta", [self.own, self.version])
        except Failed:
            pass

    @task(2)
    def change_the_header(self):
        """The header's reference retyped: the old row is the one the server holds now."""
        try:
            page = self.call("GetPropostaAux", [BRANCH, "T", "T", None, None, None, None, "T", None, None, "T", "T",
                                                "T", "", "", "", "T", "T", "", "T", "", "", "T",
                                                f"{int(self.own)}/{self.version}"], "GetPropostaAux")
            fields = page["fields"]
            old = next(r for r in page["rows"] if r[[f["name"] for f in fields].index("NRVERPROPFAS")] == self.version)
            new = list(old)
            new[[f["name"] for f in fields].index("DSREFEPROPOSFAS")] = "Revisão %d" % random.randrange(10**6)
            self.call("SetProposta", [{"changes": [{"op": "update", "old": old, "new": new}], "fields": fields}])
            self.call("GetTotaisProposta", [self.own, self.version])
            self.call("GetProposta", [BRANCH, "T"])  # the screen reads its list again after a save
        except (Failed, StopIteration):
            pass

    @task(2)
    def add_a_product_line(self):
        """A line with its systems and first installment, as the line form saves it."""
        if self.lines >= 8:
            self.new_proposal()
        mapping = self.own_mapping("product_line_systems")
        mapping["7100"] = str(next(line_codes))
        # The grace month follows the month the proposal was made in: this user's is today.
        first = (self.today.replace(day=1) + datetime.timedelta(days=32)).replace(day=1)
        for recorded in grace_days():
            mapping[recorded] = first.isoformat() + "T00:00:00.000"
        self.replay("product_line_systems", mapping)
        self.lines += 1

    @task(1)
    def copy(self):
        mapping = self.own_mapping("copy_proposal", "CopiaProposta")
        self.replay("copy_proposal", mapping)

    @task(1)
    def send_to_the_client(self):
        self.replay("send_to_client", self.own_mapping("send_to_client", "GetEnvios"))


class Manager(Desk):
    weight = 1
    who = MANAGER

    @task
    def pipeline(self):
        self.replay("pipeline", {})
