#!/usr/bin/env python3
"""The packages as Windows sees them, under Wine on a private Xvfb: version strings and manifest
read back by probe.exe, the installer clicked through (pages pictured in the shot folder), "Run
Tessory", the Settings > Apps entry, shortcuts, the uninstaller and the player's texts.
usage: wine_packaging.py <zip> <setup.exe> <probe.exe> <version> <shot folder>"""

import os, re, subprocess, sys, zipfile  # noqa: E401

sys.dont_write_bytecode = True
here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "../soak"), os.path.join(here, "../support")]
import game_driver as gd  # noqa: E402
from playing import Failure, check, wait_until  # noqa: E402
import wine_prefix  # noqa: E402
from wine_prefix import WINE  # noqa: E402

TITLE, KEY = "Tessory Setup", r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessory"
HEADINGS = {"README.txt": ["Controls", "Settings and highscores", "Uninstalling", "Licences"], "LICENSES.txt": [
    "Tessory", "OpenAL Soft (sound output)", "GLFW (window, keyboard, mouse and gamepads)",
    "stb_image and stb_vorbis (picture and Ogg Vorbis decoding)", "MinGW-w64 runtime and winpthreads"]}
MANIFEST = [">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>", ">UTF-8</activeCodePage>",
            *('<supportedOS Id="{%s}"/>' % i for i in (  # Windows 7, 8, 8.1, 10 and 11
                "35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"))]


class Probe:
    def __init__(self, env, exe, shots):
        self.env, self.shots = env, shots
        self.proc = subprocess.Popen([WINE, exe], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def ask(self, *fields):
        self.proc.stdin.write(("\t".join(fields) + "\n").encode())
        self.proc.stdin.flush()
        lines = []
        while (line := self.proc.stdout.readline().decode().rstrip("\r\n")) != ".":
            check(self.proc.poll() is None, "probe.exe ended")
            lines.append(line)
        return dict(line.split("=", 1) for line in lines) if fields[0] == "version" else lines

    def page(self, marker, press, shot=None):
        """Waits for the installer's page that shows `marker`, pictures it, presses a button."""
        wait_until("the installer's page with " + marker,
                   lambda: any(marker in c for c in self.ask("controls", TITLE)), 90)
        if shot:
            window = gd.xdotool(self.env, "search", "--onlyvisible", "--name", "^" + TITLE).split()[-1]
            gd.screenshot(self.env, window, os.path.join(self.shots, "windows_installer_%s.png" % shot))
        self.ask("press", TITLE, press)


def games(env, key=None):
    """The game's windows, each sent `key` when one is given."""
    found = gd.xdotool(env, "search", "--onlyvisible", "--name", "^Tessory$", check=False).split()
    for game in found if key else ():
        gd.xdotool(env, "windowfocus", "--sync", game, "key", key, check=False)
    return found


def registry(env):  # the Settings > Apps entry
    out = subprocess.run([WINE, "reg", "query", "HKLM\\" + KEY], env=env, capture_output=True, text=True).stdout
    return dict(re.findall(r"^ +(\w+) +REG_\w+ +(.*?)\s*$", out, re.M))


def player_texts(files, where):
    """README.txt and LICENSES.txt: UTF-8 with a byte order mark, CRLF, their headings."""
    for name, headings in HEADINGS.items():
        data = files[name]
        check(data.startswith(b"\xef\xbb\xbf") and b"\n" not in data.replace(b"\r\n", b""),
              "%s in %s is not UTF-8 text with CRLF line ends" % (name, where))
        lines = data[3:].decode().split("\r\n")
        missing = [h for h in headings if not any(a == h and re.fullmatch("-+", b) for a, b in zip(lines, lines[1:]))]
        check(not missing, "%s in %s lacks the headings %s" % (name, where, missing))


def main():
    zip_path, setup, probe_exe, version, shots = sys.argv[1:6]
    terms = open(os.path.join(here, "../../packaging/copyright")).read()
    ours = {"ProductName": "Tessory", "CompanyName": "The Tessory developers", "FileVersion": version,
            "ProductVersion": version, "LegalCopyright": "\u00a9 " + re.search("^Copyright: (.*)$", terms, re.M)[1]}
    zipped = {name: z.read(n) for z in [zipfile.ZipFile(zip_path)] for n in z.namelist()
              if n.count("/") == 1 and (name := os.path.basename(n))}
    check("README.md" not in zipped, "the zip holds the developers' README.md")
    player_texts(zipped, "the zip")
    os.makedirs(shots, exist_ok=True)
    with gd.PrivateXvfb() as xvfb:
        env = dict(xvfb.env(), ALSOFT_DRIVERS="null")
        wine_prefix.prepare(env, persistent=True)
        drive = os.path.join(env["WINEPREFIX"], "drive_c")
        program, exe = os.path.join(drive, "Program Files", "Tessory"), "C:\\Program Files\\Tessory\\tessory.exe"
        links = [os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tessory.lnk"),
                 os.path.join(drive, "users", "Public", "Desktop", "Tessory.lnk")]
        try:
            probe, installer = Probe(env, probe_exe, shots), subprocess.Popen([WINE, setup], env=env)
            probe.page("Welcome to Tessory Setup", "Next >", "welcome")
            # The licence page's text box holds LICENSES.txt, its first line first.
            first = zipped["LICENSES.txt"][3:].decode().split("\r\n")[0]
            probe.page("RichEdit20W\t%s " % first, "I Agree", "licence")
            probe.page("Choose Components", "Next >")  # the desktop shortcut ticked
            probe.page("Choose Install Location", "Install")
            probe.page("Run Tessory", "Finish", "finish")
            installer.wait(60)
            wait_until("Tessory run from the finish page", lambda: games(env), 60)
            wait_until("the game quit with F4", lambda: not games(env, "F4"), 30, poll=2)
            installed = {n: open(os.path.join(program, n), "rb").read() for n in HEADINGS}
            check(installed == {n: zipped[n] for n in HEADINGS}, "the install's player texts differ from the zip's")
            check(all(map(os.path.exists, links)), "no Start menu entry or desktop shortcut: %s" % links)
            for path, wanted in ((exe, dict(ours, FileDescription="Tessory", OriginalFilename="tessory.exe",
                                             InternalName="tessory")),
                                 ("Z:" + os.path.abspath(setup).replace("/", "\\"), dict(
                                     ours, FileDescription="Tessory Setup", OriginalFilename=os.path.basename(setup)))):
                strings = probe.ask("version", path)
                print("%s: %s" % (os.path.basename(path), strings), flush=True)
                check(strings == wanted, "the version strings of %s are not ours" % path)
            manifest = "\n".join(probe.ask("manifest", exe))
            check(all(m in manifest for m in MANIFEST), "the manifest lacks one of %s" % MANIFEST)
            entry = registry(env)
            size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(program) for f in fs) // 1024
            print("Settings > Apps entry: %s; the files take %d KiB" % (entry, size), flush=True)
            wanted = {"DisplayName": "Tessory", "DisplayVersion": version, "Publisher": ours["CompanyName"],
                      "InstallLocation": exe.rsplit("\\", 1)[0], "DisplayIcon": exe}
            check({k: entry.get(k) for k in wanted} == wanted and abs(int(entry.get("EstimatedSize", "0"), 0) - size) <
                  size * 0.05, "the Settings > Apps entry is wrong")
            subprocess.run([WINE, os.path.join(program, "Uninstall.exe"), "/S"], env=env, timeout=120)
            # It goes on from a copy of itself.
            wait_until("the uninstaller removing the program, its shortcuts and its Settings > Apps entry",
                       lambda: not any(map(os.path.exists, [program, *links])) and not registry(env), 60)
        except Failure as failure:
            gd.screenshot(env, "root", os.path.join(shots, "windows_installer_failed.png"))
            sys.exit("FAIL: %s" % failure)
        finally:
            wine_prefix.stop(env)
    print("PASS")


main()
