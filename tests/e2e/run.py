#!/usr/bin/env python3
"""End-to-end test of vurk-edit in a real X session.

Starts Xvfb and openbox, makes the demo workspace, starts the editor in it and
drives it only from outside with xdotool, reading it back through window
titles, window properties, screenshots and the files it writes.

Usage: tests/e2e/run.py BUILD_DIR [--screenshots DIR] [--keep]
  BUILD_DIR holds vurk-edit, vurk-tool and vurk-demo.
  --screenshots DIR also writes main-window.png, monster-mode.png and
  scratch-pad.png there (the user's guide's pictures).
  --keep leaves the work folder (printed) for a look afterwards.
Exit status 0 when every check passed; skips (status 0, with a message) only
when no X server can start and CI is not set.
"""
import argparse
import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

TIMEOUT = 10.0
# ImageMagick's own, ahead of any other program of that name on the path.
CONVERT = shutil.which("convert", path="/usr/bin") or "convert"
MAIN = "^VURK-Edit - "
BOX = "^VURK-Edit$"

passed = 0
failed = []
processes = []


def check(ok, what, detail=""):
    global passed
    if ok:
        passed += 1
        print(f"ok    {what}")
    else:
        failed.append(what)
        print(f"FAIL  {what}{': ' + detail if detail else ''}")
    return ok


def start(cmd, **kw):
    p = subprocess.Popen(cmd, **kw)
    processes.append(p)
    return p


def cleanup():
    for p in reversed(processes):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(3)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


def run(cmd, **kw):
    kw.setdefault("text", True)
    return subprocess.run(cmd, capture_output=True, timeout=kw.pop("timeout", 30), **kw)


def wait_until(fn, timeout=TIMEOUT, step=0.03):
    end = time.monotonic() + timeout
    while True:
        value = fn()
        if value or time.monotonic() > end:
            return value
        time.sleep(step)


class X:
    """The X session: display, window manager and the tools that drive it."""

    def __init__(self, env):
        self.env = env

    def xdo(self, *args):
        return run(["xdotool", *map(str, args)], env=self.env).stdout.strip()

    def windows(self, name):
        r = run(["xdotool", "search", "--onlyvisible", "--name", name], env=self.env)
        return [int(w) for w in r.stdout.split()]

    def wait_window(self, name, timeout=TIMEOUT):
        found = wait_until(lambda: self.windows(name), timeout)
        return found[0] if found else None

    def wait_gone(self, name, timeout=TIMEOUT):
        return wait_until(lambda: not self.windows(name), timeout)

    def title(self, wid):
        return self.xdo("getwindowname", wid)

    def outer_rect(self, wid):
        """x, y, w, h of the window with its frame, as the window manager shows it."""
        info = run(["xwininfo", "-id", str(wid)], env=self.env).stdout
        field = {k.strip(): v.strip() for k, v in (l.split(":", 1) for l in info.splitlines() if ":" in l)}
        x, y = int(field["Absolute upper-left X"]), int(field["Absolute upper-left Y"])
        w, h = int(field["Width"]), int(field["Height"])
        ext = run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"], env=self.env).stdout
        left, right, top, bottom = (int(v) for v in ext.split("=")[1].split(",")) if "=" in ext else (0, 0, 0, 0)
        return (x - left, y - top, w + left + right, h + top + bottom)

    def screenshot(self, wid, path, frame=False):
        run(["import", "-window", str(wid), *(["-frame"] if frame else []), path], env=self.env)
        return Image.read(path)


class Image:
    def __init__(self, w, h, rgb):
        self.w, self.h, self.rgb = w, h, rgb

    @staticmethod
    def read(path):
        data = run([CONVERT, path, "-depth", "8", "ppm:-"], text=False).stdout
        # P6 header: magic, width, height, maxval, each followed by white space.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        return Image(int(fields[1]), int(fields[2]), data[pos + 1:])

    def row(self, x, y, w):
        start = (y * self.w + x) * 3
        return self.rgb[start:start + w * 3]

    def holds(self, other, dx, dy, ox=0, oy=0, w=None, h=None):
        """Whether this picture at (dx, dy) shows other's w x h from (ox, oy), pixel for pixel."""
        w = other.w - ox if w is None else w
        h = other.h - oy if h is None else h
        if dx + w > self.w or dy + h > self.h:
            return False
        return all(self.row(dx, dy + r, w) == other.row(ox, oy + r, w) for r in range(h))


def start_x(env, work):
    """Xvfb on a free display with openbox; returns the environment for it, or None."""
    if not shutil.which("Xvfb"):
        return None
    read_fd, write_fd = os.pipe()
    xvfb = start(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                 pass_fds=(write_fd,), stderr=open(os.path.join(work, "xvfb.log"), "w"))
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        display = f.readline().strip()
    if not display or xvfb.poll() is not None:
        return None
    env = dict(env, DISPLAY=":" + display)
    start(["openbox", "--sm-disable"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wm_ready = lambda: "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env).stdout
    if not wait_until(wm_ready):
        raise SystemExit("e2e: openbox did not start")
    return env


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--screenshots")
    parser.add_argument("--keep", action="store_true")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    edit, tool, demo = (os.path.join(build, n) for n in ("vurk-edit", "vurk-tool", "vurk-demo"))
    shots = os.path.abspath(args.screenshots) if args.screenshots else None
    work = tempfile.mkdtemp(prefix="vurk-e2e-")
    env = {k: v for k, v in os.environ.items() if k != "QT_QPA_PLATFORM"}
    env["XDG_RUNTIME_DIR"] = work
    try:
        xenv = start_x(env, work)
        if xenv is None:
            if os.environ.get("CI") == "true":
                print("e2e: FAILED: no X server could start (Xvfb missing or refused)")
                return 1
            print("e2e: skipped: no X server could start (install xvfb, openbox, xdotool, x11-utils, imagemagick)")
            return 0
        return session(X(xenv), work, edit, tool, demo, shots)
    finally:
        cleanup()
        if args.keep:
            print(f"e2e: work folder {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


def session(x, work, edit, tool, demo, shots):
    ws, ref, check_ws = (os.path.join(work, n) for n in ("ws", "ref", "check"))
    subprocess.run([demo, ws], env=dict(x.env, QT_QPA_PLATFORM="offscreen"), check=True, capture_output=True)
    shutil.copytree(ws, ref)
    shutil.copytree(ws, check_ws)
    toolenv = dict(x.env, QT_QPA_PLATFORM="offscreen")

    def vurk_tool(folder, *a):
        r = run([tool, *map(str, a)], cwd=folder, env=toolenv)
        if r.returncode != 0:
            raise SystemExit(f"e2e: vurk-tool {' '.join(map(str, a))} failed: {r.stderr.strip()}")
        return r.stdout

    vurk_tool(ref, "export", 1)
    for mode in ("item", "monster1", "monster2"):
        vurk_tool(ref, "render", 1, f"{work}/ref-{mode}.png", "--mode", mode)
    vurk_tool(ref, "render", 2, f"{work}/ref2-item.png", "--mode", "item")
    original = open(f"{ws}/vurk.smc", "rb").read()
    before = Image.read(f"{work}/ref-item.png")
    level2 = Image.read(f"{work}/ref2-item.png")

    # Window placement is kept, and the start is on the last level.
    placed = (40, 30, 640, 480)
    ini = f"{ws}/vurk.ini"
    with open(ini, "w") as f:
        f.write("[vurk]\nx=40\ny=30\nlevel=1\noptions=3\nmaxed=0\nw=640\nh=480\n")

    def launch():
        p = start([edit], cwd=ws, env=x.env, stdout=subprocess.DEVNULL, stderr=open(f"{work}/edit.log", "a"))
        wid = x.wait_window(MAIN)
        if wid is None:
            raise SystemExit("e2e: the editor's window did not appear")
        x.xdo("windowactivate", "--sync", wid)
        return p, wid

    def key(*keys):
        x.xdo("key", *keys)

    def ctrl(k):
        x.xdo("keydown", "ctrl", "key", k, "keyup", "ctrl")

    def wait_title(wid, text):
        return wait_until(lambda: x.title(wid) == text, 3) or x.title(wid)

    editor, wid = launch()
    outer = x.outer_rect(wid)
    check(outer == placed, "the window opens at the outer rectangle vurk.ini gives",
          f"{outer} for {placed}")

    t0 = time.monotonic()
    second = run([edit], cwd=ws, env=x.env, timeout=TIMEOUT)
    check(second.returncode == 0 and time.monotonic() - t0 < 5, "a second start ends at once with status 0",
          f"status {second.returncode}")

    for k, title in (("b", "BG edit mode"), ("i", "Item edit mode"), ("v", "Victim edit mode"),
                     ("m", "Monster edit mode 1"), ("2", "Monster edit mode 2"),
                     # Back to the otm list, which the other modes show as vurk-tool render does.
                     ("1", "Monster edit mode 1"), ("b", "BG edit mode")):
        key(k)
        t = wait_title(wid, "VURK-Edit - " + title)
        check(t is True, f"{k.upper()} gives the title \"VURK-Edit - {title}\"", f"title {t!r}")

    key("F12")
    check(x.wait_window("^debug$") is not None, "F12 opens a window titled \"debug\"")
    key("Return")
    x.wait_gone("^debug$")

    vmap = f"{ws}/maps/level01.vmap"
    ctrl("s")
    wait_until(lambda: os.path.exists(vmap) and os.path.getsize(vmap) > 0)
    expected = open(f"{ref}/maps/level01.vmap", "rb").read()
    written = open(vmap, "rb").read() if os.path.exists(vmap) else b""
    check(written == expected, "Ctrl+S writes maps/level01.vmap with the bytes of vurk-tool export 1",
          f"{len(written)} bytes for {len(expected)}")

    # A held key acts once, on its real release (the X server repeats it meanwhile).
    x.xdo("keydown", "e")
    time.sleep(1)
    early = x.windows("^Edit Tile Value")
    x.xdo("keyup", "e")
    late = x.wait_window("^Edit Tile Value")
    check(not early and late is not None, "holding E opens the tile dialog only when E is released",
          f"open while held: {bool(early)}, after: {late is not None}")
    key("Escape")
    x.wait_gone("^Edit Tile Value")
    time.sleep(0.2)
    check(not x.windows("^Edit Tile Value"), "the held E opened one tile dialog")

    key("F5")
    pad = x.wait_window("^Scratch Pad$")
    if check(pad is not None, "F5 shows the scratch pad"):
        hints = run(["xprop", "-id", str(pad), "WM_NORMAL_HINTS"], env=x.env).stdout
        sizes = {l.split(":")[0].strip(): l.split(":")[1].strip() for l in hints.splitlines() if "size:" in l}
        mn = sizes.get("program specified minimum size")
        mx = sizes.get("program specified maximum size")
        check(mn is not None and mn == mx, "the scratch pad cannot be resized (minimum = maximum size)",
              f"minimum {mn}, maximum {mx}")
        actions = run(["xprop", "-id", str(pad), "_NET_WM_ALLOWED_ACTIONS"], env=x.env).stdout
        check("=" in actions and "MAXIMIZE" not in actions and "_NET_WM_ACTION_RESIZE" not in actions,
              "the window manager offers the scratch pad neither resizing nor maximising", actions.strip())
        if shots:
            x.screenshot(pad, f"{shots}/scratch-pad.png", frame=True)
        x.xdo("windowactivate", "--sync", pad)
        key("alt+F4")
        x.wait_gone("^Scratch Pad$")
        x.xdo("windowactivate", "--sync", wid)

    # Where the map lies in the window: the item-mode picture of the level.
    key("i")
    wait_title(wid, "VURK-Edit - Item edit mode")

    def map_spots():
        shot = x.screenshot(wid, f"{work}/item.png")
        return [(dx, dy) for dy in range(0, 80) for dx in range(0, 12)
                if shot.row(dx, dy, before.w) == before.row(0, 0, before.w) and shot.holds(before, dx, dy)]

    spots = wait_until(map_spots, 3)
    if not check(len(spots) == 1, "the map view shows level 1 as vurk-tool render draws it in Item mode",
                 f"found at {spots}"):
        return report()
    mx, my = spots[0]

    # Drag item 0 from (208, 144) in large jumps to (100, 200).
    x.xdo("mousemove", "--window", wid, mx + 208, my + 144, "mousedown", 1)
    for px, py in ((60, 60), (230, 230), (100, 200)):
        x.xdo("mousemove", "--window", wid, mx + px, my + py)
        time.sleep(0.05)
    x.xdo("mouseup", 1)
    moved = wait_until(lambda: not x.screenshot(wid, f"{work}/moved.png").holds(before, mx, my), 3)
    check(moved, "the dragged item moves on the map")
    ctrl("z")
    undone = wait_until(lambda: x.screenshot(wid, f"{work}/undone.png").holds(before, mx, my), 3)
    check(undone, "Ctrl+Z takes the move back: the map is as loaded")
    ctrl("y")
    wait_until(lambda: not x.screenshot(wid, f"{work}/redone.png").holds(before, mx, my), 3)

    key("F1")
    box = x.wait_window("^Are you sure\\?$")
    check(box is not None, "F1 asks \"Save Map?\"")
    key("y")
    x.wait_gone("^Are you sure\\?$")
    wait_until(lambda: open(f"{ws}/vurk.smc", "rb").read() != original, 3)
    saved = open(f"{ws}/vurk.smc", "rb").read()
    shutil.copy(f"{ws}/vurk.smc", f"{check_ws}/vurk.smc")
    dump_before = json.loads(vurk_tool(ref, "dump", 1))
    dump_after = json.loads(vurk_tool(check_ws, "dump", 1))
    item = dump_after["items"][0]
    check((item["x"], item["y"]) == (100, 200), "the saved level holds the item where it was dropped",
          f"({item['x']}, {item['y']})")
    dump_before["items"][0].update(x=100, y=200)
    check(dump_after == dump_before, "nothing else in level 1 changed")
    changed = [i for i in range(len(original)) if saved and saved[i] != original[i]]
    new_bytes = bytes([100, 0, 200, 0])
    spot = saved.find(new_bytes, changed[0] - 3) if changed else -1
    check(changed and spot >= 0 and all(spot <= i < spot + 4 for i in changed)
          and original[spot:spot + 4] == bytes([208, 0, 144, 0]),
          "vurk.smc changed only in the item's x and y", f"bytes {changed[:8]}")

    for k, mode, title in (("i", "item", "Item edit mode"), ("m", "monster1", "Monster edit mode 1"),
                           ("2", "monster2", "Monster edit mode 2")):
        key(k)
        wait_title(wid, "VURK-Edit - " + title)
        vurk_tool(check_ws, "render", 1, f"{work}/saved-{mode}.png", "--mode", mode)
        want = Image.read(f"{work}/saved-{mode}.png")
        same = wait_until(lambda: x.screenshot(wid, f"{work}/shot-{mode}.png").holds(want, mx, my), 3)
        check(same, f"the map view in {title} equals vurk-tool render --mode {mode} of the saved level")
        if shots and mode == "monster1":
            x.screenshot(wid, f"{shots}/monster-mode.png", frame=True)

    # An unsaved edit: a tile step on the selected cell.
    key("b")
    wait_title(wid, "VURK-Edit - BG edit mode")
    x.xdo("mousemove", "--window", wid, mx + 100, my + 100, "click", 1)
    key("KP_Add")
    outer = x.outer_rect(wid)
    key("alt+F4")
    check(x.wait_window(BOX) is not None, "closing with unsaved edits asks (\"Save changes to level 1?\")")
    key("Escape")
    x.wait_gone(BOX)
    time.sleep(0.2)
    check(editor.poll() is None and x.windows(MAIN), "Cancel keeps the editor open")
    key("alt+F4")
    x.wait_window(BOX)
    key("n")
    status = exit_status(editor)
    check(status == 0, "No closes the editor with status 0", f"status {status}")
    check(open(f"{ws}/vurk.smc", "rb").read() == saved, "No leaves vurk.smc as last saved")

    stored = {}
    for line in open(ini).read().splitlines():
        if "=" in line:
            k, v = line.split("=", 1)
            stored[k] = v
    kept = tuple(int(stored.get(k, -1)) for k in ("x", "y", "w", "h"))
    check(kept == outer, "vurk.ini keeps the window's outer rectangle at exit", f"{kept} for {outer}")

    # Reopen on level 2, larger than the window, to scroll it.
    stored["level"] = "2"
    with open(ini, "w") as f:
        f.write("[vurk]\n" + "".join(f"{k}={v}\n" for k, v in stored.items()))
    editor, wid = launch()
    again = x.outer_rect(wid)
    check(again == outer, "closing and reopening keeps the window's outer rectangle exactly",
          f"{again} after {outer}")
    key("i")
    wait_title(wid, "VURK-Edit - Item edit mode")
    shot = x.screenshot(wid, f"{work}/level2.png")
    view_w, view_h = min(level2.w, shot.w - mx - 20), min(level2.h, 200)
    check(shot.holds(level2, mx, my, 0, 0, view_w, view_h), "level 2 opens at its top-left corner")
    client_w = shot.w
    for where, px, py, oy in (("the vertical scroll bar", client_w - 4, my + 60, 16),
                              ("the menu bar", client_w - 40, my // 2, 32)):
        x.xdo("mousemove", "--window", wid, px, py, "click", 5)
        same = wait_until(lambda: x.screenshot(wid, f"{work}/wheel.png").holds(level2, mx, my, 0, oy, view_w,
                                                                                 view_h), 3)
        check(same, f"a wheel notch over {where} scrolls the map 16 pixels down")
    key("b")
    wait_title(wid, "VURK-Edit - BG edit mode")
    if shots:
        x.xdo("mousemove", "--window", wid, mx + 400, my + 250, "click", 4, "click", 4)
        wait_until(lambda: x.screenshot(wid, f"{work}/home.png").row(mx + 70, my + 2, 100)
                   == level2.row(70, 2, 100), 3)
        x.screenshot(wid, f"{shots}/main-window.png", frame=True)
    key("alt+F4")
    status = exit_status(editor)
    check(status == 0, "closing without unsaved edits ends at once with status 0", f"status {status}")

    # A maximised start that centres Zeke centres him in the maximised view.
    # The view's chrome (scroll bar right, scroll bar and status bar below) is
    # measured on the level-2 shot, which shows the level from its corner.
    chrome_r = shot.w - mx - next(c for c in range(shot.w - mx) if shot.row(mx + c, my, 1) != level2.row(c, 0, 1))
    chrome_b = shot.h - my - next(r for r in range(shot.h - my)
                                  if shot.row(mx, my + r, 1) != level2.row(0, r, 1))
    zeke = (1300, 1000)
    vurk_tool(ws, "export", 2)
    vmap = bytearray(open(f"{ws}/maps/level02.vmap", "rb").read())
    header = bytes(vmap).find(struct.pack("<HH", *dump_start(vurk_tool(ws, "dump", 2))))
    vmap[header:header + 4] = struct.pack("<HH", *zeke)
    open(f"{ws}/maps/level02.vmap", "wb").write(bytes(vmap))
    vurk_tool(ws, "import", 2)
    vurk_tool(ws, "render", 2, f"{work}/ref2-bg.png", "--mode", "bg")
    centred = Image.read(f"{work}/ref2-bg.png")
    with open(ini, "w") as f:
        f.write("[vurk]\nx=40\ny=30\nlevel=2\noptions=7\nmaxed=1\nw=640\nh=480\n")
    editor, wid = launch()

    def centred_view():
        big = x.screenshot(wid, f"{work}/maximised.png")
        vw, vh = big.w - mx - chrome_r, big.h - my - chrome_b
        ox = max(0, min(zeke[0] - vw // 2, centred.w - vw))
        oy = max(0, min(zeke[1] - vh // 2, centred.h - vh))
        return big.w > shot.w and big.holds(centred, mx, my, ox, oy, vw, vh)

    check(wait_until(centred_view, 3), "a maximised start centres Zeke's starting point in the maximised view")
    key("alt+F4")
    status = exit_status(editor)
    check(status == 0, "the maximised editor closes with status 0", f"status {status}")

    keys_questions_and_modality(x, work, ws, launch, vurk_tool, mx, my)
    return report()


def keys_questions_and_modality(x, work, ws, launch, vurk_tool, mx, my):
    """The stamp keys beside Ctrl+Shift+C / V, Ctrl with the keypad, the save
    questions of a level change and a tileset change, and a scratch pad that
    stays usable while the main window asks."""
    ini = f"{ws}/vurk.ini"
    with open(ini, "w") as f:
        f.write("[vurk]\nx=40\ny=30\nlevel=1\noptions=9\nmaxed=0\nw=640\nh=480\n")
    loaded = json.loads(vurk_tool(ws, "dump", 1))
    cells, width = loaded["map"], loaded["header"]["width"]
    editor, wid = launch()

    def chord(*mods_and_key):
        *mods, k = mods_and_key
        x.xdo(*[a for m in mods for a in ("keydown", m)], "key", k, *[a for m in reversed(mods) for a in ("keyup", m)])

    def click_cell(column, row):
        x.xdo("mousemove", "--window", wid, mx + column * 64 + 30, my + row * 64 + 30, "click", 1)

    def wait_title(text):
        return wait_until(lambda: x.title(wid) == text, 3) or x.title(wid)

    # Cell (0, 0) copied as a stamp with Ctrl+D, placed on cell (2, 1) with Ctrl+T.
    click_cell(0, 0)
    chord("ctrl", "d")
    chord("ctrl", "t")
    click_cell(2, 1)
    # Ctrl with keypad + steps the tile (twice) and does not zoom.
    click_cell(1, 1)
    chord("ctrl", "KP_Add")
    chord("ctrl", "KP_Add")

    chord("ctrl", "shift", "v")
    t = wait_title("VURK-Edit - Victim edit mode")
    check(t is True, "Ctrl+Shift+V in BG mode enters Victim mode", f"title {t!r}")
    x.xdo("key", "b")
    wait_title("VURK-Edit - BG edit mode")
    chord("ctrl", "shift", "c")
    viewer = x.wait_window("^Clipboard Viewer$", 3)
    check(viewer is not None, "Ctrl+Shift+C in BG mode opens the Clipboard Viewer")
    if viewer is not None:
        x.xdo("windowactivate", "--sync", viewer, "key", "alt+F4")
        x.wait_gone("^Clipboard Viewer$")

    # While the main window's Options dialog is open, the pad takes a click and a key.
    x.xdo("windowactivate", "--sync", wid, "key", "F5")
    pad = x.wait_window("^Scratch Pad$")
    x.xdo("windowactivate", "--sync", wid, "key", "F8")
    options = x.wait_window("^Options$")
    if check(pad is not None and options is not None, "F5 shows the pad and F8 opens Options"):
        before = x.screenshot(pad, f"{work}/pad-before.png")
        x.xdo("mousemove", "--window", pad, 350, 350, "click", 1)  # the last cell, clear of the dialog
        moved = wait_until(lambda: x.screenshot(pad, f"{work}/pad-after.png").rgb != before.rgb, 3)
        check(moved, "while Options is open, a click in the scratch pad selects its cell")
        x.xdo("windowactivate", "--sync", pad, "key", "e")
        typed = x.wait_window("^Edit Tile Value", 3)
        check(typed is not None, "while Options is open, E in the scratch pad opens its tile dialog")
        if typed is not None:
            x.xdo("key", "Escape")
            x.wait_gone("^Edit Tile Value")
        x.xdo("windowactivate", "--sync", options, "key", "Escape")
        x.wait_gone("^Options$")
        x.xdo("windowactivate", "--sync", pad, "key", "alt+F4")
        x.wait_gone("^Scratch Pad$")
    x.xdo("windowactivate", "--sync", wid)

    # With "Prompt for save before changing levels", the modified level asks "Save Map?" only.
    x.xdo("key", "KP_Add")  # modified whatever the keys above did
    x.xdo("key", "F2")
    asked = x.wait_window("^Are you sure\\?$", 3)
    check(asked is not None and not x.windows(BOX),
          "with its option a modified level's change asks \"Save Map?\" and not \"Save changes?\"")
    x.xdo("key", "y")
    chooser = x.wait_window("^Change Level", 3)
    check(chooser is not None, "after Yes the Change Level dialog opens")
    x.xdo("key", "Escape")
    x.wait_gone("^Change Level")
    saved = open(f"{ws}/vurk.smc", "rb").read()
    check_ws = f"{work}/check"  # the editor holds vurk.smc: read a copy
    open(f"{check_ws}/vurk.smc", "wb").write(saved)
    want = list(cells)
    want[1 * width + 2] = (cells[1 * width + 2] & 0xFF00) | (cells[0] & 0xFF)
    want[1 * width + 1] = (cells[1 * width + 1] & 0xFF00) | ((cells[1 * width + 1] + 3) & 0xFF)
    got = json.loads(vurk_tool(check_ws, "dump", 1))["map"]
    check(got == want, "the saved map holds the stamp (Ctrl+D, Ctrl+T), two Ctrl+keypad + steps and one keypad +",
          f"{got} for {want}")

    # A new tileset: No to "Save Before Reloading?" reloads at once, with no second question.
    x.xdo("key", "KP_Add")  # an unsaved edit, which No lets go
    shown = x.screenshot(wid, f"{work}/tileset-before.png")
    x.xdo("key", "F3")
    misc = x.wait_window("^Misc\\. Data$", 3)
    if check(misc is not None, "F3 opens Misc. Data"):
        x.xdo("windowactivate", "--sync", misc, "key", "Tab", "Down", "Return")
        reload_box = x.wait_window("^Save Before Reloading\\?$", 3)
        check(reload_box is not None, "a new tileset asks \"Save Before Reloading?\"")
        x.xdo("key", "n")
        x.wait_gone("^Save Before Reloading\\?$")
        x.wait_gone("^Misc\\. Data$")
        time.sleep(0.5)
        check(not x.windows(BOX) and not x.windows("^Misc\\. Data$"),
              "No reloads at once: no \"Save changes?\" follows and the dialog is closed")
        redrawn = wait_until(lambda: not x.screenshot(wid, f"{work}/tileset-after.png").holds(shown, 0, 0), 3)
        check(redrawn, "the map shows the new tileset")
        check(open(f"{ws}/vurk.smc", "rb").read() == saved, "No saved nothing")

    # The main row's Ctrl+minus still zooms: 50% is kept at exit.
    chord("ctrl", "minus")
    x.xdo("key", "alt+F4")
    if x.wait_window(BOX, 3) is not None:
        x.xdo("key", "n")
    status = exit_status(editor)
    check(status == 0, "the editor closes with status 0", f"status {status}")
    check("zoom=50" in open(ini).read(), "Ctrl+keypad + left the zoom alone and Ctrl+minus zoomed out to 50%",
          open(ini).read().replace("\n", " "))


def exit_status(process):
    """The process's exit status, or None when it does not end in time."""
    try:
        return process.wait(TIMEOUT)
    except subprocess.TimeoutExpired:
        return None


def dump_start(dump):
    """Zeke's starting point from `vurk-tool dump` output."""
    header = json.loads(dump)["header"]
    return header["start1X"], header["start1Y"]


def report():
    print(f"e2e: {passed} passed, {len(failed)} failed")
    for f in failed:
        print(f"e2e: failed: {f}")
    return 1 if failed else 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *a: sys.exit(143))
    sys.exit(main())
