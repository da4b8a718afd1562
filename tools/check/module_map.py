#!/usr/bin/env python3
"""Checks the module map of the source tree: folders depend one way, and a file's layer shows
in its folder (Win32 files in win/, portable files elsewhere include no Windows header).

    tools/check/module_map.py [source root]

Prints every break of the map and exits 1 when there is one.
"""
import pathlib
import re
import sys

# Each product module, the modules it may include from (besides itself), and which resource
# folder it owns. Lower modules never include higher ones.
MODULES = {
    "base": [],
    "common": ["base"],
    "engine": ["base", "common"],
    "discovery": ["base", "common"],
    "driverui/core": ["base"],
    "driverui/devsheet": ["base", "driverui/core"],
    "driverui/docsheet": ["base", "driverui/core"],
    "driverui/win": ["base", "driverui/core", "driverui/devsheet", "driverui/docsheet"],
    "drvwizard": ["base", "common", "engine", "discovery"],
    "usbonestep": ["base", "common", "engine", "discovery"],
}
RESOURCES = {
    "driverui/core": "resources/driverui",
    "driverui/devsheet": "resources/driverui",
    "driverui/docsheet": "resources/driverui",
    "driverui/win": "resources/driverui",
    "drvwizard": "resources/drvwizard",
    "usbonestep": "resources/usbonestep",
}
WINDOWS_HEADERS = re.compile(r"#\s*include\s*<(windows|winspool|winsock2|ws2tcpip|setupapi|cfgmgr32|commctrl|compstui|"
                             r"shellapi|shlobj|gdiplus|winioctl|newdev|bluetoothapis|iphlpapi|prsht|strsafe)\.h>")
PROJECT_INCLUDE = re.compile(r'#\s*include\s*"([^"]+)"')
# The one place a portable file may look at a Windows header: a size check against the SDK's
# own structure, compiled in the Windows build only.
WINDOWS_ONLY = re.compile(r"#\s*if\s+defined\s*\(\s*_WIN32\s*\)")


def module_of(path: str):
    for name in sorted(MODULES, key=len, reverse=True):
        if path == name or path.startswith(name + "/"):
            return name
    return None


def is_win32(path: str) -> bool:
    return "/win/" in "/" + path


def check(root: pathlib.Path):
    problems = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        rel = file.relative_to(root).as_posix()
        module = module_of(rel)
        if module is None:
            continue
        allowed = set(MODULES[module]) | {module}
        lines = file.read_text(encoding="utf-8", errors="replace").splitlines()
        windows_only_depth = 0
        for number, line in enumerate(lines, 1):
            stripped = line.strip()
            if WINDOWS_ONLY.match(stripped):
                windows_only_depth += 1
            elif stripped.startswith("#if"):
                windows_only_depth += 1 if windows_only_depth else 0
            elif stripped.startswith("#endif") and windows_only_depth:
                windows_only_depth -= 1
            if not is_win32(rel) and WINDOWS_HEADERS.match(stripped) and not windows_only_depth:
                problems.append(f"{rel}:{number}: portable file includes a Windows header (move it to win/)")
            m = PROJECT_INCLUDE.match(stripped)
            if not m:
                continue
            target = m.group(1)
            if "/" not in target:
                continue  # a header beside the file (generated or resource ids of a test)
            if target.startswith("resources/"):
                if not target.startswith(RESOURCES.get(module, "-") + "/"):
                    problems.append(f"{rel}:{number}: includes resources it does not own: {target}")
                continue
            target_module = module_of(target)
            if target_module is None:
                problems.append(f"{rel}:{number}: includes outside the product modules: {target}")
            elif target_module not in allowed:
                problems.append(f"{rel}:{number}: {module} must not depend on {target_module} ({target})")
            elif not is_win32(rel) and is_win32(target):
                problems.append(f"{rel}:{number}: portable file includes a Win32 header: {target}")
    return problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2])
    problems = check(root)
    for p in problems:
        print(p)
    if problems:
        print(f"module map: {len(problems)} break(s)")
        return 1
    print("module map: every module depends one way; every Win32 file is in win/")
    return 0


if __name__ == "__main__":
    sys.exit(main())
