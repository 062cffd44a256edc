#!/usr/bin/python3
"""nimbo-control on the simulated device under a virtual X server, read as a
screen reader reads it (AT-SPI) and used with the keyboard alone (xdotool).
The reader finds the configuration window's controls by name and role, ticks
"Flash" and saves through their actions; the keyboard changes LED 4, accepts a
colour with Enter, saves, opens every window through the menus and starts a
flash, whose progress the reader reads. Then the device is asked what it holds.
Every wait polls and ends as soon as what it waits for is there.

usage: keyboard_and_reader.py NIMBO_CONTROL NIMBO_CLI NIMBO_FWU
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

if not os.environ.get("NIMBO_A11Y_INSIDE_X"):
    os.environ["NIMBO_A11Y_INSIDE_X"] = "1"  # other tests start X servers: a random display
    os.execvp("xvfb-run", ["xvfb-run", "-a", "-n", str(100 + random.randrange(800)), "-s",
                           "-screen 0 1024x768x24 -noreset", "dbus-run-session", "--",
                           "/usr/bin/python3", *sys.argv])

import pyatspi  # noqa: E402  (Debian installs it for the system's python)

program, cli, fwu = map(os.path.abspath, sys.argv[1:4])
DEVICE = "--simulate=device.state"
SWATCHES = ["IRQ High", "IRQ Low", "EXROM High", "EXROM Low", "Reset State", "ROM Switch",
            "RESTORE Down", "Votlage Warning"] + [f"ROM {n}" for n in range(1, 9)]
CONTROLS = [(name, "combo box") for name in [f"LED {n}" for n in range(1, 5)] + [
    "ROM Banks", "RESET Type", "OLED Screen", "OLED Brigtness", "Reset Timeout", "ROM Timeout",
    "Menu Timeout"]] + [("Enabled", "check box"), ("Flash", "check box"), ("Minimum", "text"),
                        ("Maximum", "text"), ("Offset", "text")] + [
    (name, "push button") for name in ("Load Settings", "Save Settomgs", "Default Settings")]


def fail(why):
    sys.exit(f"keyboard and reader: {why}")


def run(*arguments):
    return subprocess.run(arguments, check=True, capture_output=True, text=True).stdout


def settings():
    return [int(byte, 16) for byte in run(cli, DEVICE, "settings", "read").split()]


def colour(record, slot):  # RRGGBB of a colour slot
    first = 40 + 3 * slot if slot < 8 else 16 + 3 * (slot - 8)
    return bytes(record[first:first + 3]).hex().upper()


def wait(what, probe, seconds=20, must=True):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            if found := probe():
                return found
        except Exception:  # the node went away under the reader
            pass
        time.sleep(0.05)
    return fail(f"{what}: not within {seconds} s") if must else None


def find(root, name, role):
    return pyatspi.findDescendant(root, lambda n: n.name == name and n.getRoleName() == role)


def has(node, state):
    return node.getState().contains(state)


def act(node, action):
    actions = node.queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index(action))


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True)


def windows():
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "nimbo-control"]
    return [w for w in apps[0] if w is not None] if apps else []


def focus_window(title, exact=False, x_title=None):
    """Gives the window the keyboard, as a window manager does with a new one."""
    frame = wait(f"window '{title}'", lambda: next(
        (w for w in windows() if w.name == title or not exact and w.name.endswith(title)), None))
    shown = [w.name for w in windows() if has(w, pyatspi.STATE_SHOWING)]
    if sum(name.startswith("NIMBO Control v") for name in shown) > 1:
        fail(f"more than one working window: {shown}")
    subprocess.run(["xdotool", "search", "--sync", "--name",
                    ("^" if exact else "") + (x_title or title) + "$",
                    "windowfocus", "--sync"], check=True, capture_output=True)
    return frame


def tab_to(frame, name, role="push button", back=False):
    target = wait(f"'{name}'", lambda: find(frame, name, role))
    for _ in range(40):
        if has(target, pyatspi.STATE_FOCUSED):
            return target
        key("shift+Tab" if back else "Tab")
    fail(f"Tab never reaches '{name}'")


def closed(node):
    try:
        return not has(node, pyatspi.STATE_SHOWING) or has(node, pyatspi.STATE_DEFUNCT)
    except Exception:
        return True


def left(node):  # its handler has ended with the focus moved on
    wait(f"the end of '{node.name}'", lambda: not has(node, pyatspi.STATE_FOCUSED))


work = tempfile.mkdtemp()
os.chdir(work)
os.mkdir("run", 0o700)  # the single-instance lock of this test only
run(fwu, "sample", "nimbo.fwu")
run(fwu, "decode", "nimbo.fwu", "image.bin")
run(cli, DEVICE, "sim", "mode", "update")
before = settings()
bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
control = subprocess.Popen([program, DEVICE], env=dict(
    os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
    XDG_RUNTIME_DIR=os.path.join(work, "run")))
try:
    # The reader: every control by name and role.
    config = focus_window(" - Configuration")
    start = f"{SWATCHES[0]}, {colour(before, 0)}"
    expected = CONTROLS + [(f"{label}, {colour(before, slot)}", "push button")
                           for slot, label in enumerate(SWATCHES)]
    found = [(n.name, n.getRoleName()) for n in pyatspi.findAllDescendants(config, lambda n: True)]
    if missing := [pair for pair in expected if pair not in found]:
        fail(f"not found by name and role: {missing}")
    flash_box = find(config, "Flash", "check box")
    ticked = has(flash_box, pyatspi.STATE_CHECKED)
    act(flash_box, "Toggle")
    wait("Flash toggled", lambda: has(flash_box, pyatspi.STATE_CHECKED) != ticked)
    save = find(config, "Save Settomgs", "push button")
    save.queryComponent().grabFocus()
    wait("the focus on Save", lambda: has(save, pyatspi.STATE_FOCUSED))
    act(save, "Press")
    left(save)

    # The keyboard: a setting, a colour accepted with Enter, the save.
    led4 = tab_to(config, "LED 4", "combo box", back=True)
    key("Up")  # EXROM becomes ROM
    left(led4)
    if led4.queryText().getText(0, -1) != "ROM":  # the entry a reader hears with the name
        fail(f"LED 4 reads '{led4.queryText().getText(0, -1)}', not ROM")
    tab_to(config, start)
    key("Return")
    picker = focus_window("Color Picker", exact=True)
    key("Up", "Up", "Up", "Up", "Right", "Right")  # a lighter or another colour
    tab_to(picker, "Select Color")
    key("Return")
    wait("the picker to close", lambda: closed(picker))
    config = focus_window(" - Configuration")
    chosen = wait("the accepted colour", lambda: pyatspi.findDescendant(
        config, lambda n: n.name.startswith(SWATCHES[0] + ", ") and n.name != start)).name[-6:]
    save = tab_to(config, "Save Settomgs", back=True)
    key("Return")
    left(save)

    # Every window through the menus: Alt+F, Alt+H, F10.
    key("alt+f", "l")
    matrix = focus_window(" - LED Matrix Control")
    if not wait("the matrix picture", lambda: find(matrix, "LED matrix", "image")).description:
        fail("the matrix picture has no description")
    if len(pyatspi.findAllDescendants(matrix, lambda n: n.getRoleName() == "image")) != 1:
        fail("the matrix window shows more than one picture")
    text = wait("the LED text box", lambda: find(matrix, "LED Matrix String", "text"))
    wait("the LED text read", lambda: text.queryText().characterCount > 0)
    key("alt+h", "a")
    about = focus_window("About", exact=True, x_title=" ")  # its title is a blank
    key("Return")
    wait("the about box to close", lambda: closed(about))
    focus_window(" - LED Matrix Control")
    key("F10", "f")
    flasher = focus_window(" - Firmware Flasher")
    # "Find Device" has the focus. Keys are dropped while the window reads the
    # LED text; an Enter after the check meets "Abort Flash", never a flash.
    offer = find(flasher, "Flash Device", "push button")
    for _ in range(10):
        key("Return")
        if wait("a flash offered", lambda: has(offer, pyatspi.STATE_SHOWING), 2, must=False):
            break
    else:
        fail("Enter on Find Device offered no flash")
    tab_to(flasher, "Flash Device")
    key("Return")
    progress = wait("the flash progress", lambda: find(flasher, "Flash progress", "progress bar"))
    wait("a block flashed", lambda: progress.queryValue().currentValue >= 1)
    control.kill()  # in the middle of the flash: the device keeps each block it took
    control.wait()

    after = settings()
    if after[1] != before[1] ^ 4 or after[5] != before[5] - 1 or colour(after, 0) != chosen:
        fail(f"the device holds {after[:6]} and colour {colour(after, 0)}, not the changes to "
             f"{before[:6]} (byte 1 bit 2, LED 4 one lower) and {chosen}")
    run(cli, DEVICE, "memory", "read", "0x0020", "64", "--output", "block.bin")
    with open("block.bin", "rb") as flashed, open("image.bin", "rb") as image:
        if flashed.read() != image.read()[72:72 + 64]:
            fail("the flash started with the keyboard wrote no first block")
    print("keyboard and reader: passed")
finally:
    for process in (control, bus):
        if process.poll() is None:
            process.terminate()  # the bus launcher takes its bus with it
            process.wait()
    shutil.rmtree(work)
