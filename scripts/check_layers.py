#!/usr/bin/env python3
"""Checks that every folder includes only what its layer may use.

Dependencies point one way: platform, interfaces, foundation, lon, opcserver, project, views,
app. The outside components' stand-ins and the two components stand beside the layers. Rules:
  - a file includes its own folder and the folders below its layer, never above or beside;
  - <wx/...> only in a */wx/ folder;
  - production code never includes standins/ or a testing/ folder (test code may).
Test code is anything under tests/, testing/, benchmark(s)/ and fuzz/.

  check_layers.py [--root DIR]   checks the tree (default: the project's), exit 1 on a breach
  check_layers.py --self-test    checks the checker on a small tree of its own
"""
import os
import re
import sys
import tempfile

# Folder -> rank. A folder may include a folder of lower rank; equal ranks do not meet.
RANKED = {
    "platform/win32": 0,
    "platform/com": 1,
    "platform/xmldom": 2,
    "platform/afx": 2,
    "platform/rpc": 2,
    "platform/wx": 3,
    "interfaces": 4,
    "foundation": 5,
    "lon": 6,
    "opcserver": 7,
    "project": 8,
    "views/models": 9,
    "views": 10,
    "views/wx": 10,
    "app/shell": 11,
    "app/wx": 12,
    "app": 13,
    "tools": 14,
    "fuzz": 14,
}
# Folders beside the layers, with what each may include besides itself.
BESIDE = {
    "standins": ["platform/", "interfaces/", "foundation/shared/", "standins/"],
    "sennet": ["platform/", "interfaces/"],
    "ombrel": ["platform/", "interfaces/", "foundation/shared/"],
}
# Top-level folders whose paths are project includes.
PROJECT_ROOTS = {"platform", "interfaces", "foundation", "standins", "lon", "opcserver", "project", "views", "app",
                 "sennet", "ombrel", "tools", "fuzz", "demo"}
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")
SKIPPED_DIRS = {".git", "build", "build-asan", "build-tsan"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
TEST_PARTS = {"tests", "testing", "benchmark", "benchmarks"}


def folder_of(path):
    """The layer folder of a project path: the longest known prefix."""
    parts = path.split("/")
    for n in range(len(parts) - 1, 0, -1):
        prefix = "/".join(parts[:n])
        if prefix in RANKED:
            return prefix
    if parts[0] in BESIDE:
        return parts[0]
    return None


def is_test_code(path):
    parts = path.split("/")[:-1]
    return parts[0] == "fuzz" or any(p in TEST_PARTS for p in parts)


def breaches(source, included):
    """What is wrong with `source` including the project path `included`."""
    problems = []
    own, other = folder_of(source), folder_of(included)
    test = is_test_code(source)
    # Tools are small programs: netgen writes the stand-in's networks.
    may_use_standins = test or own in ("standins", "tools")
    if included.startswith("standins/") and not may_use_standins:
        problems.append("production code includes a stand-in")
    if "/testing/" in "/" + included and not test:
        problems.append("production code includes a testing folder")
    if own is None:
        return problems + ["the file's folder is not in the layer table"]
    if other is None or other == own:
        return problems
    if included.startswith("standins/") and may_use_standins:
        return problems
    if own in BESIDE:
        if not any(included.startswith(p) for p in BESIDE[own]):
            problems.append("%s may not include %s" % (own, other))
    elif other in BESIDE:
        # The fuzz harnesses stand at the top and drive the components' parsers directly.
        if own != "fuzz":
            problems.append("%s may not include %s" % (own, other))
    elif RANKED[other] >= RANKED[own]:
        problems.append("%s may not include %s (same layer or above)" % (own, other))
    return problems


def check_file(root, rel):
    out = []
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, path = m.groups()
            where = "%s:%d: #include %s%s%s" % (rel, number, kind, path, ">" if kind == "<" else '"')
            if kind == "<":
                if path.startswith("wx/") and "/wx/" not in "/" + rel:
                    out.append("%s: <wx/...> outside a wx folder" % where)
                continue
            if path.split("/")[0] not in PROJECT_ROOTS:
                continue
            for problem in breaches(rel, path):
                out.append("%s: %s" % (where, problem))
    return out


def check_tree(root):
    out = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = sorted(d for d in dirnames if d not in SKIPPED_DIRS and not d.startswith("build"))
        for name in sorted(filenames):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")
            if rel.split("/")[0] not in PROJECT_ROOTS:
                continue
            out.extend(check_file(root, rel))
    return out


def self_test():
    cases = [
        # (file, include line, breaches expected)
        ("lon/NVTag.cpp", '#include "foundation/shared/MyCriticalSection.h"', False),
        ("lon/NVTag.cpp", '#include "lon/OPCTag.h"', False),
        ("lon/NVTag.cpp", '#include "opcserver/OPCItem.h"', True),  # upwards
        ("opcserver/OPCItem.cpp", '#include "standins/kestrum/SimNetwork.h"', True),
        ("opcserver/OPCItem.cpp", '#include "opcserver/testing/FakeTagsManager.h"', True),
        ("opcserver/tests/demo/T.cpp", '#include "standins/kestrum/testing/KestrumEnvironment.h"', False),
        ("opcserver/tests/demo/T.cpp", '#include "project/Doc.h"', True),  # tests keep the layers too
        ("views/models/TagViewModel.cpp", '#include <wx/frame.h>', True),
        ("views/wx/TagView.cpp", '#include <wx/frame.h>', False),
        ("views/wx/TagView.cpp", '#include "views/models/TagViewModel.h"', False),
        ("views/models/M.cpp", '#include "views/wx/TagView.h"', True),
        ("app/shell/Shell.cpp", '#include "project/Doc.h"', False),
        ("platform/afx/Document.cpp", '#include "platform/win32/Messages.h"', False),
        ("platform/win32/Files.cpp", '#include "platform/com/Bstr.h"', True),
        ("platform/rpc/Channel.cpp", '#include "platform/afx/Document.h"', True),  # beside, not below
        ("ombrel/OmbrelCtrl.cpp", '#include "foundation/shared/HexConversions.h"', False),
        ("ombrel/OmbrelCtrl.cpp", '#include "foundation/XmlArchive.h"', True),
        ("ombrel/OmbrelCtrl.cpp", '#include "sennet/XMLFormatter.h"', True),
        ("sennet/XMLFormatter.cpp", '#include "platform/xmldom/XmlDomDocument.h"', False),
        ("standins/gorrin/GorrinCtrl.cpp", '#include "standins/pravel/NvTypeCatalogue.h"', False),
        ("standins/kestrum/SimNetwork.cpp", '#include "lon/LonNode.h"', True),
        ("tools/netgen/netgen.cpp", '#include "standins/kestrum/NetworkGenerator.h"', False),
        ("fuzz/xml/FuzzXml.cpp", '#include "foundation/XmlArchive.h"', False),
        ("project/Doc.cpp", '#include "lon/LonDatabaseManager.h"', False),
        ("project/Doc.cpp", '#include "Version.h"', False),  # generated, not a project path
        ("lon/NVTag.cpp", '#include <gtest/gtest.h>', False),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        for i, (rel, line, expected) in enumerate(cases):
            path = os.path.join(root, "case%d" % i, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(line + "\n")
            found = check_file(os.path.join(root, "case%d" % i), rel)
            if bool(found) != expected:
                failures += 1
                print("self-test: %s with %s: expected %s, got %s" % (rel, line, "a breach" if expected else "none",
                                                                      found or "none"))
    print("self-test: %d cases, %d failed" % (len(cases), failures))
    return 1 if failures else 0


def main(argv):
    if "--self-test" in argv:
        return self_test()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if "--root" in argv:
        root = argv[argv.index("--root") + 1]
    problems = check_tree(root)
    for p in problems:
        print(p)
    if problems:
        print("layer check: %d breach(es)" % len(problems))
        return 1
    print("layer check: every include keeps to its layer")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
