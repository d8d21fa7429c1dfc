"""spinbeat-host.exe's window under wine, inside xvfb-run: python3 host-window-wine.py WINE_RUN HOST_EXE

At 1 BPM, so that the bar fills its first beat for a minute, holds E with real key events (xdotool)
until the screen (xwd) shows the bar filling, checks the plugin's page in the Settings window, presses
Esc and waits for the program's end. The waits bound a hang and judge no speed, but for the one the
window promises: gone within a few seconds of Esc. Exits non-zero naming what failed.
"""
import pathlib
import subprocess
import sys
import tempfile
import time

BAR_WIDTH, BAR_HEIGHT = 825, 20
# Where the host puts the bar in a 1280-pixel view with the bar at the top, and its settings window.
BAR_X = 1280 // 2 - BAR_WIDTH // 2
SETTINGS = (20, 40, 660, 290)
# Beyond this after Esc the program counts as hung: wine waits 2 s for a window manager that is not
# there before it lets a window go.
EXIT_SECONDS = 10


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True, timeout=30).stdout


def focus_window(deadline):
    """Waits for the window and gives it the keyboard. Looked for again until then: an X error while
    the window is being made can end a search or the wait for the focus."""
    while time.monotonic() < deadline:
        try:
            found = xdotool("search", "--onlyvisible", "--name", "^Spinbeat host$").split()
            xdotool("windowfocus", "--sync", found[0])
            return found[0]
        except (subprocess.CalledProcessError, subprocess.TimeoutExpired, IndexError):
            time.sleep(0.2)
    return None


def grab():
    """The whole screen as a function (x, y) -> (r, g, b), read from xwd's dump."""
    data = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True, timeout=30).stdout
    field = lambda i: int.from_bytes(data[4 * i:4 * i + 4], "big")
    header, little = field(0), field(7) == 0
    width, height, bits, stride, colors = field(4), field(5), field(11), field(12), field(19)
    masks = [field(14), field(15), field(16)]
    start, size = header + 12 * colors, bits // 8

    def pixel(x, y):
        at = start + y * stride + x * size
        value = int.from_bytes(data[at:at + size], "little" if little else "big")
        return tuple((value & mask) >> ((mask & -mask).bit_length() - 1) for mask in masks)
    return pixel, width, height


def is_fill(c):
    return c[1] > c[0] + 80 and c[2] > c[0] + 80


def find_bar(pixel, width, height):
    """The top-left corner of the bar's white outline in the screen's upper half, or None."""
    for y in range(height // 2):
        run = 0
        for x in range(width):
            run = run + 1 if pixel(x, y) == (255, 255, 255) else 0
            if run == BAR_WIDTH and pixel(x + 1, y) != (255, 255, 255):
                return x - BAR_WIDTH + 1, y
    return None


def main():
    wine_run, host = sys.argv[1:3]
    problems = []
    with tempfile.TemporaryDirectory() as folder:
        config = pathlib.Path(folder, "host.cfg")
        config.write_text('spinbeat_bpm "1"\n')
        log = open(pathlib.Path(folder, "host.log"), "w+")
        program = subprocess.Popen([wine_run, host, "--size", "1280x720", "--config", windows_path(config)],
                                   stdout=log, stderr=subprocess.STDOUT)
        try:
            if not focus_window(time.monotonic() + 120):
                raise RuntimeError("no window named \"Spinbeat host\" took the keyboard within 120 s")
            xdotool("keydown", "e")
            deadline, bar, fill = time.monotonic() + 40, None, 0
            while time.monotonic() < deadline and fill == 0:
                time.sleep(0.5)
                pixel, width, height = grab()
                bar = find_bar(pixel, width, height)
                if bar:
                    fill = sum(is_fill(pixel(x, bar[1] + BAR_HEIGHT // 2)) for x in range(bar[0], bar[0] + BAR_WIDTH))
            xdotool("keyup", "e")
            print(f"bar at {bar} on the screen, filled {fill} of {BAR_WIDTH} pixels by the key held")
            if not bar or not 1 <= fill < BAR_WIDTH // 2:
                problems.append("no bar filling its first beat on the screen while E was held")
            else:
                # The page's two ticked check boxes, in Dear ImGui's check mark blue.
                left, top = bar[0] - BAR_X, bar[1]
                marks = sum(50 < c[0] < 80 and 135 < c[1] < 165 and c[2] > 235
                            for c in (pixel(left + x, top + y) for x in range(SETTINGS[0], SETTINGS[2])
                                      for y in range(SETTINGS[1], SETTINGS[3])))
                print(f"{marks} pixels of check marks in the Settings window")
                if marks <= 40:
                    problems.append("no ticked check boxes of the plugin's page in the Settings window")
            xdotool("key", "Escape")
            pressed = time.monotonic()
            code = program.wait(timeout=60)
            seconds = time.monotonic() - pressed
            print(f"exit status {code}, {seconds:.1f} s after Esc")
            if code != 0 or seconds > EXIT_SECONDS:
                problems.append(f"Esc: exit status {code} after {seconds:.1f} s, not 0 within {EXIT_SECONDS} s")
            if 'spinbeat_playSoundOnBeat "1"' not in config.read_text():
                problems.append("the settings were not saved at exit")
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
            log.seek(0)
            print("spinbeat-host said:\n" + log.read())
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
