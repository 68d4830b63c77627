#!/usr/bin/env python3
"""One timed pyatspi walk of an application's first window: role, name, extents, actions and
children of every node. Prints the walk's milliseconds and the number of nodes.
Usage: pyatspi_walk.py <pid>"""
import sys
import time

import pyatspi


def walk(node):
    count = 1
    node.getRole()
    node.name
    try:
        node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except NotImplementedError:
        pass
    try:
        action = node.queryAction()
        for i in range(action.nActions):
            action.getName(i)
    except NotImplementedError:
        pass
    for child in node:
        if child is not None:
            count += walk(child)
    return count


def main():
    pid = int(sys.argv[1])
    desktop = pyatspi.Registry.getDesktop(0)
    app = next(a for a in desktop if a is not None and a.get_process_id() == pid)
    window = next(w for w in app if w is not None)
    start = time.perf_counter()
    nodes = walk(window)
    print("%.3f %d" % ((time.perf_counter() - start) * 1000, nodes))


main()
