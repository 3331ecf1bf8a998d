#!/usr/bin/env python3
"""Counts how the folders of a layered tree include each other.

    scripts/folder_ties.py [ROOT]        (ROOT defaults to proposal)

Each subfolder of ROOT is a node; an edge A -> B is any `#include "ROOT/B/..."` in a file of A.
Layers, bottom to top: the key and reach (if still there), the area base, the areas, the
screen. A pair is "tied" when either includes the other, "against" when a lower layer
includes a higher one (the area base into an area or the screen, an area into the screen),
and "sideways" when two areas include each other. It also counts the uses of `area<` and
of `s_.` under ROOT, the two ways an area reaches past its host.
"""
import itertools
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else "proposal"
base = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
top = os.path.join(base, root)
folders = sorted(d for d in os.listdir(top) if os.path.isdir(os.path.join(top, d)))
rank = {d: 2 for d in folders}
for d, r in (("reach", 0), ("model", 0), ("area", 1), ("screen", 3)):
    if d in rank:
        rank[d] = r
edges = set()
area_uses = s_uses = 0
inc = re.compile(r'#\s*include\s+"' + re.escape(root) + r'/([^/"]+)/')
for d in folders:
    for dirpath, _, files in os.walk(os.path.join(top, d)):
        for f in files:
            if not f.endswith((".h", ".cpp")):
                continue
            text = open(os.path.join(dirpath, f), encoding="utf-8").read()
            area_uses += len(re.findall(r"\barea<", text))
            s_uses += len(re.findall(r"\bs_\.", text))
            for m in inc.finditer(text):
                if m.group(1) != d and m.group(1) in rank:
                    edges.add((d, m.group(1)))
pairs = {frozenset(e) for e in edges}
against = sorted(e for e in edges if rank[e[0]] < rank[e[1]])
sideways = sorted({frozenset(e) for e in edges if rank[e[0]] == rank[e[1]]}, key=sorted)
n = len(folders)
print(f"folders of {root}/: {n} ({', '.join(folders)})")
print(f"pairs tied: {len(pairs)} of {n * (n - 1) // 2}")
print(f"includes against the layers: {len(against)}" + "".join(f"\n  {a} -> {b}" for a, b in against))
print(f"pairs of areas tied sideways: {len(sideways)}")
into_screen = sorted(a for a, b in edges if b == "screen" and a == "area")
print(f"area base into the screen: {'yes' if into_screen else 'none'}")
print(f"uses of area<: {area_uses}")
print(f"uses of s_.: {s_uses}")
