#!/usr/bin/env python3
"""Peak memory at start-up: the window against a bare Qt window with the same wait, and what
the window's resident memory is made of (Qt's libraries one by one, fonts, the heap, ...).
   bench/startup_memory.py <bin folder> [seconds]   (default 3)
Runs both under the display in DISPLAY (offscreen without one), with configuration and data
in a scratch folder and the simulated instrument beside the program."""
import collections, os, re, signal, subprocess, sys, tempfile, time

def peak_and_parts(command, env, wait):
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    time.sleep(wait)
    with open(f"/proc/{process.pid}/status") as status:
        peak = int(re.search(r"VmHWM:\s+(\d+)", status.read()).group(1))
    parts = collections.Counter()
    name = None
    with open(f"/proc/{process.pid}/smaps") as smaps:
        for line in smaps:
            head = re.match(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$", line)
            if head:
                name = part_of(head.group(1))
            elif line.startswith("Rss:"):
                parts[name] += int(line.split()[1])
    process.send_signal(signal.SIGTERM)
    process.wait(timeout=30)
    return peak, parts

def part_of(path):
    if not path:
        return "anonymous (heap of threads, Qt's caches)"
    if path == "[heap]":
        return "heap"
    if re.search(r"\.(ttf|otf|ttc|pcf|pfb)(\.gz)?$", path):
        return "font: " + os.path.basename(path)
    if "fontconfig" in path:
        return "fontconfig's caches"
    library = os.path.basename(path)
    if re.match(r"libQt6\w+\.so", library):
        return re.match(r"(libQt6\w+)", library).group(1)
    if "/plugins/" in path or "/qt6/" in path:
        return "Qt plugins: " + library
    if re.match(r"libicu", library):
        return "ICU"
    if library.startswith("[") or library.startswith("/memfd"):
        return library
    return "other: " + library

def main():
    folder = sys.argv[1]
    wait = float(sys.argv[2]) if len(sys.argv) > 2 else 3.0
    scratch = tempfile.mkdtemp(prefix="qlm-startup-")
    env = dict(os.environ, HOME=scratch, XDG_CONFIG_HOME=scratch + "/config",
               XDG_DATA_HOME=scratch + "/data", XDG_RUNTIME_DIR=scratch)
    os.chmod(scratch, 0o700)
    if not env.get("DISPLAY") and not env.get("WAYLAND_DISPLAY"):
        env["QT_QPA_PLATFORM"] = "offscreen"
    bare, bare_parts = peak_and_parts([folder + "/bare_window"], env, wait)
    window, parts = peak_and_parts([folder + "/qlm5120rx", "--new-window"], env, wait)
    print(f"peak RSS after {wait:g} s: window {window / 1024:.1f} MiB, bare Qt window "
          f"{bare / 1024:.1f} MiB, {window / bare:.2f}x")
    print("resident now, window against bare window (MiB), largest differences first:")
    rows = [(parts[k] - bare_parts[k], k) for k in set(parts) | set(bare_parts)]
    for difference, name in sorted(rows, reverse=True):
        if abs(difference) < 50 and parts[name] < 1024:
            continue
        print(f"  {parts[name] / 1024:7.2f} {bare_parts[name] / 1024:7.2f} "
              f"{difference / 1024:+7.2f}  {name}")

if __name__ == "__main__":
    main()
