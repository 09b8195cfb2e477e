#!/usr/bin/env python3
"""folder-graph.py ROOT [--confine PREFIX=FOLDER ...]

Prints the graph of ROOT's folders that its quoted includes make ("hud/OverlayController.h"
includes from scene/ give the edge scene -> hud), one folder a line with what it includes, and
fails (exit 1) on a cycle between folders. Each --confine says that only FOLDER (and the folders
below it) may include headers whose path starts with PREFIX, such as X11/ for Xlib.
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)
SOURCES = ('.c', '.cpp', '.h', '.hpp')


def folder_of(path):
    folder = os.path.dirname(path)
    return folder if folder else '.'


def read_graph(root):
    files = []
    for directory, _, names in os.walk(root):
        for name in names:
            if name.endswith(SOURCES):
                files.append(os.path.relpath(os.path.join(directory, name), root))
    known = set(files)
    edges = {}
    includes = {}
    for path in sorted(files):
        with open(os.path.join(root, path), encoding='utf-8', errors='replace') as source:
            text = source.read()
        folder = folder_of(path)
        edges.setdefault(folder, set())
        for kind, name in INCLUDE.findall(text):
            includes.setdefault(path, []).append(name)
            if kind == '"' and name in known and folder_of(name) != folder:
                edges[folder].add(folder_of(name))
    return edges, includes


def find_cycle(edges):
    state = {}
    stack = []

    def visit(node):
        state[node] = 'open'
        stack.append(node)
        for target in sorted(edges.get(node, ())):
            if state.get(target) == 'open':
                return stack[stack.index(target):] + [target]
            if target not in state:
                cycle = visit(target)
                if cycle:
                    return cycle
        stack.pop()
        state[node] = 'done'
        return None

    for node in sorted(edges):
        if node not in state:
            cycle = visit(node)
            if cycle:
                return cycle
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('root')
    parser.add_argument('--confine', action='append', default=[], metavar='PREFIX=FOLDER')
    arguments = parser.parse_args()

    edges, includes = read_graph(arguments.root)
    for folder in sorted(edges):
        targets = ', '.join(sorted(edges[folder])) or '-'
        print(f'{folder} -> {targets}')

    failed = False
    cycle = find_cycle(edges)
    if cycle:
        print('cycle: ' + ' -> '.join(cycle), file=sys.stderr)
        failed = True
    for rule in arguments.confine:
        prefix, _, allowed = rule.partition('=')
        for path, names in sorted(includes.items()):
            folder = folder_of(path)
            if folder == allowed or folder.startswith(allowed + '/'):
                continue
            for name in names:
                if name.startswith(prefix):
                    print(f'{path} includes {name}: only {allowed}/ may', file=sys.stderr)
                    failed = True
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
