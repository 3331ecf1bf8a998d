#!/usr/bin/env python3
"""How much of the C++ code is tests: lines neither blank nor comment in the product's
folders and in tests/, and the tests' share of the two together. Run from anywhere.
With paths (files or folders, from the top folder), prints the count of each instead."""
import os
import sys

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))


def count(path):
    n=0; inblock=False
    for line in open(path,errors='replace'):
        s=line.strip()
        if inblock:
            if '*/' in s: inblock=False; s=s.split('*/',1)[1].strip()
            else: continue
        if not s or s.startswith('//'): continue
        if s.startswith('/*'):
            if '*/' not in s: inblock=True
            continue
        n+=1
    return n


def tree(dirs):
    t=0
    for d in dirs:
        for root,_,files in os.walk(d):
            for f in files:
                if f.endswith(('.cpp','.h','.hpp','.cc')): t+=count(os.path.join(root,f))
    return t


if len(sys.argv) > 1:
    for p in sys.argv[1:]:
        print(f"{count(p) if os.path.isfile(p) else tree([p]):6d} {p}")
    sys.exit(0)

prod=tree(['app','approval','dialogs','host','kernel','module','modules','proposal','reach','server'])
tests=tree(['tests'])
print(f"production {prod}, tests {tests}, tests share {tests/(prod+tests):.3f}")
