#!/usr/bin/python3
"""qlm5120rx-cli serve against clients that labs use (PyVISA's pure-Python back end, lxi-tools)
and hostile ones, over loopback, checked against the drop-in simulator's trace; clients that
send and leave against the window's remote control too.

    remote_clients_test.py <qlm5120rx-cli> [--window <qlm5120rx> <libEasyD12>] [unittest arguments]
"""
import fcntl
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa

PROGRAM = sys.argv.pop(1) if len(sys.argv) > 1 else "qlm5120rx-cli"
WINDOW = None
if len(sys.argv) > 3 and sys.argv[1] == "--window":
    WINDOW = sys.argv[2:4]
    del sys.argv[1:4]
TIMEOUT = 20  # seconds, for anything the server should do at once

# Frame types, the last byte of a frame in the trace.
DATA, ANNOUNCE = "00", "04"


def data_frame(code, value1, value2=0):
    return "0102030405010203040501%02x%02x%02x0000" % (code, value1, value2)


class Serve:
    """One `qlm5120rx-cli serve` over the drop-in simulator, with its own trace, folder and
    state file (the instrument shared with this test through its exchange lock)."""

    def __init__(self, *options, unplugged=False):
        self.folder = tempfile.mkdtemp(prefix="qlm-remote-")
        self.trace = os.path.join(self.folder, "trace")
        self.state = os.path.join(self.folder, "instrument.txt")
        if unplugged:
            with open(self.state, "w") as state:
                state.write("0,50,4,0,4,0,200,0,1,1\nunplugged=1\n")
        env = {k: v for k, v in os.environ.items() if not k.startswith("EASYD12_SIM")}
        env["EASYD12_SIM_TRACE"] = self.trace
        env["EASYD12_SIM_STATE_FILE"] = self.state
        self.err_path = os.path.join(self.folder, "stderr")
        self.process = self.start(env, options)
        self.port = None
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline and self.process.poll() is None:
            self.port = self.listening()
            if self.port:
                break
            time.sleep(0.02)
        if self.port is None:
            raise RuntimeError("the server did not start: " + self.stderr())

    def start(self, env, options):
        return subprocess.Popen(
            [PROGRAM, "serve", "--port", "0", "--files", self.folder, *options],
            stdout=subprocess.DEVNULL, stderr=self._err_file(), env=env)

    def listening(self):
        """The port, once the server says where it listens."""
        found = re.search(r"127\.0\.0\.1:(\d+)", self.stderr())
        return int(found.group(1)) if found else None

    def _err_file(self):
        self.err_file = open(self.err_path, "w")
        return self.err_file

    def stderr(self):
        with open(self.err_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def frames(self):
        """The frames written, as hex."""
        if not os.path.exists(self.trace):
            return []
        with open(self.trace) as f:
            return [line.split()[1] for line in f if line.startswith("W ")]

    def wait_for(self, condition):
        deadline = time.monotonic() + TIMEOUT
        while not condition():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.02)
        return True

    def data_frames(self):
        return [frame for frame in self.frames() if frame.endswith(DATA)]

    def visa(self, timeout_ms=5000):
        manager = pyvisa.ResourceManager("@py")
        instrument = manager.open_resource(
            "TCPIP::127.0.0.1::%d::SOCKET" % self.port, read_termination="\n",
            write_termination="\n", timeout=timeout_ms)
        # The start-up read-back over before the test's own frames.
        assert instrument.query("*OPC?") == "1"
        return instrument

    def raw(self, source="127.0.0.1"):
        client = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        client.settimeout(TIMEOUT)
        client.bind((source, 0))
        client.connect(("127.0.0.1", self.port))
        return client

    def rss_kb(self):
        with open("/proc/%d/status" % self.process.pid) as f:
            return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))

    def stop(self, how=signal.SIGTERM):
        self.process.send_signal(how)
        return self.process.wait(TIMEOUT)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.err_file.close()


class Window(Serve):
    """The window program with remote control on, offscreen, from a folder of its own beside
    a copy of the drop-in simulator (its open.qini lands there)."""

    def start(self, env, options):
        program = os.path.join(self.folder, "program")
        os.mkdir(program)
        for file in WINDOW:
            with open(file, "rb") as source, open(os.path.join(program, os.path.basename(file)),
                                                  "wb") as copy:
                copy.write(source.read())
        os.chmod(os.path.join(program, os.path.basename(WINDOW[0])), 0o755)
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"):
            env[name] = os.path.join(self.folder, name.lower())
            os.mkdir(env[name], 0o700)
        env.update(QT_QPA_PLATFORM="offscreen", QT_LOGGING_RULES="qt.qpa.*=false")
        with socket.socket() as probe:  # a free port; the window is told it
            probe.bind(("127.0.0.1", 0))
            self.window_port = probe.getsockname()[1]
        return subprocess.Popen(
            [os.path.join(program, os.path.basename(WINDOW[0])), "--new-window", "--remote",
             str(self.window_port)], stdout=subprocess.DEVNULL, stderr=self._err_file(), env=env)

    def listening(self):
        try:
            socket.create_connection(("127.0.0.1", self.window_port), 1).close()
            return self.window_port
        except OSError:
            return None


def read_line(client):
    data = b""
    while not data.endswith(b"\n"):
        part = client.recv(4096)
        if not part:
            break
        data += part
    return data.decode("ascii")


def closed(client):
    """True when the server closed the connection (reset or end of stream)."""
    try:
        while True:
            if not client.recv(65536):
                return True
    except (ConnectionResetError, BrokenPipeError):
        return True
    except socket.timeout:
        return False


class RemoteClients(unittest.TestCase):
    def setUp(self):
        self.serve = Serve()

    def tearDown(self):
        self.serve.kill()

    def test_pyvisa_sets_and_queries_as_the_trace_shows(self):
        visa = self.serve.visa()
        self.assertIn("QLM-5120RX", visa.query("*IDN?"))
        visa.write("DAMP 150")
        self.assertEqual(visa.query("DAMP?"), "150")
        self.assertEqual(visa.query("*OPC?"), "1")
        self.assertIn(data_frame(8, 3), self.serve.data_frames())
        sent = len(self.serve.data_frames())
        visa.write("PULS:WIDT 7E-6")
        self.assertTrue(visa.query("SYST:ERR?").startswith("-222"))
        self.assertEqual(len(self.serve.data_frames()), sent)
        visa.write("GAIN 20")
        self.assertEqual(visa.query("GAIN?"), "20")
        self.assertEqual(self.serve.data_frames()[-1], data_frame(1, 70))
        # A longer width sends the lowered PRF first; one line, several answers.
        visa.write("PULS:WIDT 5E-6")
        self.assertEqual(visa.query("PRF?;PULS:WIDT?;:PROB:FREQ?"), "500;5E-6;100000")
        self.assertEqual(self.serve.data_frames()[-2:], [data_frame(4, 3), data_frame(6, 136, 19)])
        self.assertEqual(visa.query("SYST:ERR?"), '0,"No error"')
        visa.close()
        self.assertEqual(self.serve.stop(), 0)
        self.assertIn("远程控制已停止", self.serve.stderr())

    def test_numbers_in_si_base_units_and_answers_sent_back_unchanged(self):
        visa = self.serve.visa()
        for line, answer in SI_LINES:
            self.assertEqual(visa.query(line), answer, line)
        self.assertEqual(visa.query_ascii_values("PULS:WIDT?;FILT:LPAS?", separator=";"),
                         [1.22e-6, 3e7])
        for header in ("PULS:WIDT", "FILT:LPAS", "FILT:HPAS", "PRF", "VOLT", "GAIN", "DAMP"):
            answer = visa.query(header + "?")
            self.assertEqual(visa.query("%s %s;SYST:ERR?;%s?" % (header, answer, header)),
                             '0,"No error";' + answer, header)

    def test_upload_refuses_changes_and_opc_answers_at_its_end(self):
        visa = self.serve.visa(timeout_ms=10000)
        visa.write('GAIN 30;MMEM:STOR "rig.qini";:GAIN 10')
        self.assertEqual(visa.query("*OPC?"), "1")
        self.assertTrue(os.path.exists(os.path.join(self.serve.folder, "rig.qini")))
        visa.write('MMEM:LOAD "rig.qini"')
        visa.write("DAMP 400")
        self.assertTrue(visa.query("SYST:ERR?").startswith("-221"))
        self.assertEqual(visa.query("*OPC?"), "1")
        self.assertEqual(visa.query("GAIN?;DAMP?"), "30;50")
        # The nine commands of the upload, after the three sets before it.
        self.assertEqual(len(self.serve.data_frames()), 2 + 9)
        self.assertEqual(self.serve.data_frames()[3], data_frame(1, 80))
        # A folder that is not there yet is made.
        visa.write('MMEM:STOR "new/rig.qini"')
        self.assertEqual(visa.query("SYST:ERR?"), '0,"No error"')
        self.assertTrue(os.path.exists(os.path.join(self.serve.folder, "new", "rig.qini")))
        visa.write('MMEM:LOAD "../rig.qini"')
        self.assertTrue(visa.query("SYST:ERR?").startswith("-257"))

    def test_lxi_tools(self):
        def lxi(command):
            return subprocess.run(
                ["lxi", "scpi", "--address", "127.0.0.1", "--port", str(self.serve.port),
                 "--raw", command], capture_output=True, text=True, timeout=TIMEOUT).stdout

        self.assertIn("QLM-5120RX", lxi("*IDN?"))
        # A client that closes before the server looked at it is refused (its user is gone with
        # it): a setting is asked about in the same line.
        self.assertEqual(lxi("GAIN 25;*OPC?").strip(), "1")
        self.assertIn(data_frame(1, 75), self.serve.data_frames())
        self.assertEqual(lxi("GAIN?").strip(), "25")

    def test_a_second_server_on_the_port_cannot_listen(self):
        other = subprocess.run([PROGRAM, "serve", "--port", str(self.serve.port)],
                               capture_output=True, text=True, timeout=TIMEOUT)
        self.assertEqual(other.returncode, 8)
        self.assertIn("无法", other.stderr)

    def test_hostile_clients_leave_the_server_answering(self):
        before = self.serve.rss_kb()
        # A silent client stays connected throughout.
        silent = self.serve.raw()
        # A 1 MB line without a newline: -363 and closed.
        long_line = self.serve.raw()
        try:
            long_line.sendall(b"A" * (1 << 20))
        except (ConnectionResetError, BrokenPipeError):
            pass
        self.assertTrue(closed(long_line))
        self.assertIn("-363", self.serve.stderr())
        # Binary garbage: errors in its own queue, nothing else.
        garbage = self.serve.raw()
        noise = random.Random(5120)
        garbage.sendall(bytes(noise.randrange(256) for _ in range(200000)) + b"\n*IDN?\n")
        self.assertIn("QLM-5120RX", read_line(garbage))
        garbage.sendall(b"SYST:ERR:COUN?\n")
        self.assertLessEqual(int(read_line(garbage)), 16)
        # A client that never reads its answers: closed once they pile up.
        reader = self.serve.raw()
        reader.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        line = b";".join([b"*IDN?"] * 1000) + b"\n"
        try:
            for _ in range(2000):
                reader.sendall(line)
        except (ConnectionResetError, BrokenPipeError, socket.timeout):
            pass
        self.assertTrue(closed(reader))
        self.assertIn("不读取应答", self.serve.stderr())
        # Clients that connect and close at once are no refused clients.
        for _ in range(200):
            self.serve.raw().close()
        self.assertNotIn("不在允许的地址中", self.serve.stderr())
        # A hundred clients at once, each answered.
        clients = [self.serve.raw() for _ in range(100)]
        for client in clients:
            client.sendall(b"*IDN?\n")
        for client in clients:
            self.assertIn("QLM-5120RX", read_line(client))
            client.close()
        # Silent clients in every slot and more: the one silent longest gives way.
        crowd = [self.serve.raw() for _ in range(130)]
        visa = self.serve.visa()
        self.assertIn("QLM-5120RX", visa.query("*IDN?"))
        self.assertIn("让位", self.serve.stderr())
        for client in crowd:
            client.close()
        # Memory stays bounded (the sanitizers' own bookkeeping would blur the figure).
        if "ASAN_OPTIONS" not in os.environ:
            self.assertLess(self.serve.rss_kb() - before, 64 * 1024)
        silent.close()


# Lines in SI base units and what they answer, in this order on one server.
SI_LINES = (
    ("PRF 2E3;GAIN -5;VOLT 0.2KV;DAMP 0.4KOHM;*OPC?;PRF?;GAIN?;VOLT?;DAMP?", "1;2000;-5;200;400"),
    ("PULS:WIDT 1E-6;*OPC?;PULS:WIDT?", "1;1E-6"),
    ("FILT:LPAS 30E6;*OPC?;FILT:LPAS?", "1;3E7"),
    ("PULS:WIDT 500 NS;*OPC?;PULS:WIDT?", "1;5E-7"),
    ("PULS:WIDT 1.23E-6;*OPC?;PULS:WIDT?", "1;1.22E-6"),  # rounded to the width's step
    ("FILT:HPAS 1E3;FILT:HPAS?;FILT:LPAS? MIN;PULS:WIDT? MAX", "1000;1E7;6.5E-6"),
    ("FILT:LPAS 30;SYST:ERR?", '-224,"Illegal parameter value;FILT:LPAS 1E7|3E7"'),
    ("PULS:WIDT 200;SYST:ERR?", '-222,"Data out of range;PULS:WIDT 2.5E-8 to 6.5E-6"'),
)


# Clients that send and leave at each point of an exchange's wait: what it sends, seconds
# before it leaves, seconds another program holds the instrument's lock meanwhile, the data
# frame of the command under way (it completes) and of the command after it (dropped).
LEAVING = (
    ("between announce and data", b"GAIN 21;DAMP 150\n", 0.03, 0, data_frame(1, 71),
     data_frame(8, 3)),
    ("during a read-back", b"INST:READ;VOLT 300\n", 0.05, 0, None, data_frame(2, 12)),
    ("while the lock is held", b"GAIN 23;DAMP 400\n", 0.3, 0.6, data_frame(1, 73),
     data_frame(8, 4)),
)


class SendAndLeave:
    """Mixed into a test class per host (serve, the window): `host` starts it."""

    def setUp(self):
        self.serve = self.host()

    def tearDown(self):
        self.serve.kill()

    def test_clients_that_send_and_leave_leave_it_answering(self):
        serve = self.serve
        visa = serve.visa(timeout_ms=10000)
        for name, line, leave_after, lock_for, completes, dropped in LEAVING:
            with self.subTest(name):
                with open(serve.state + ".exchange.lock", "a") as lock:
                    if lock_for:
                        fcntl.flock(lock, fcntl.LOCK_EX)
                    client = serve.raw()
                    # Admitted first: a client that leaves before it is looked at is refused.
                    client.sendall(b"*IDN?\n")
                    read_line(client)
                    client.sendall(line)
                    time.sleep(leave_after)
                    client.close()
                    time.sleep(lock_for)
                # *OPC? waits for this client's own commands, not the one that left.
                self.assertEqual(visa.query("*OPC?"), "1")
                self.assertIsNone(serve.process.poll())
                if completes:
                    self.assertTrue(serve.wait_for(lambda: completes in serve.data_frames()))
                time.sleep(0.3)  # time for a command after it, were it run
                self.assertNotIn(dropped, serve.data_frames())
        # Gone while its *OPC? waits for an upload.
        visa.write('MMEM:STOR "rig.qini";MMEM:LOAD "rig.qini"')
        client = serve.raw()
        client.sendall(b"*OPC?\n")
        time.sleep(0.2)
        client.close()
        # Two hundred clients that each send a setting and close at once.
        for i in range(200):
            client = serve.raw()
            client.sendall(b"GAIN %d\n" % (i % 60))
            client.close()
        self.assertEqual(visa.query("*OPC?"), "1")
        self.assertIn("QLM-5120RX", visa.query("*IDN?"))
        fresh = serve.raw()
        fresh.sendall(b"*IDN?\n")
        self.assertIn("QLM-5120RX", read_line(fresh))
        self.assertIsNone(serve.process.poll())


    def test_no_instrument_at_the_start_leaves_it_answering(self):
        # The window's start-up box waits for an OK no one gives.
        self.serve.kill()
        self.serve = self.host(unplugged=True)
        client = self.serve.raw()
        client.settimeout(2)
        client.sendall(b"GAIN 9;*OPC?\n")
        self.assertEqual(read_line(client), "1\n")
        # Values no instrument confirmed are not answered.
        client.sendall(b"*CLS;GAIN?;VOLT?;SYST:ERR?\n")
        self.assertTrue(read_line(client).startswith("-240,"))


    def test_a_long_line_holds_only_its_own_client(self):
        serve = self.serve
        serve.visa()  # the start-up's read-back is over
        long_line = ";".join("GAIN %d" % (i % 50 + 1) for i in range(300)).encode() + b"\n"
        busy = serve.raw()
        busy.sendall(long_line)
        other = serve.raw()
        other.sendall(b"DAMP 80;*OPC?\n")
        self.assertEqual(read_line(other), "1\n")
        # Answered between the long line's commands, not after them.
        frames = serve.data_frames()
        self.assertIn(data_frame(8, 2), frames)
        self.assertLess(len(frames), 300)
        # A stop ends it between two commands: every announce got its data frame.
        self.assertEqual(serve.stop(), 0)
        ends = [frame[-2:] for frame in serve.frames()]
        self.assertLess(ends.count(DATA), 300)
        self.assertNotEqual(ends[-1], ANNOUNCE)
        pairs = "".join("a" if end == ANNOUNCE else "d" if end == DATA else "" for end in ends)
        self.assertNotIn("aa", pairs)


class ServeSendAndLeave(SendAndLeave, unittest.TestCase):
    host = Serve


@unittest.skipUnless(WINDOW, "the window program was not named")
class WindowSendAndLeave(SendAndLeave, unittest.TestCase):
    host = Window


# A client run as another account: sends a line and prints its answer (nothing when refused).
OTHER_ACCOUNT = ["setpriv", "--reuid", "65534", "--regid", "65534", "--clear-groups"]
OTHER_CLIENT = """
import socket, sys
client = socket.create_connection((sys.argv[1], int(sys.argv[2])), 10)
client.sendall(b"VOLT 400;*OPC?;VOLT?\\n")
try:
    print(client.recv(100).decode().strip())
except OSError:
    pass
"""


class Admission(unittest.TestCase):
    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"), "needs root and setpriv")
    def test_programs_of_other_accounts_are_refused(self):
        for options, host, answer in (((), "127.0.0.1", ""), ((), "::1", ""),
                                      (("--allow-users",), "127.0.0.1", "1;400")):
            with self.subTest(options=options, host=host):
                serve = Serve(*options)
                try:
                    if ":" in host and "[::1]" not in serve.stderr():
                        continue  # no IPv6 here
                    run = subprocess.run(
                        OTHER_ACCOUNT + [sys.executable, "-c", OTHER_CLIENT, host,
                                         str(serve.port)],
                        capture_output=True, text=True, timeout=TIMEOUT)
                    self.assertEqual(run.stdout.strip(), answer, run.stderr)
                    if not answer:
                        self.assertIn("不是本用户的程序", serve.stderr())
                        self.assertEqual(serve.visa().query("VOLT?"), "100")
                        self.assertNotIn(data_frame(2, 16), serve.data_frames())
                finally:
                    serve.kill()

    def test_only_the_allowed_addresses_are_admitted(self):
        serve = Serve("--listen", "127.0.0.1", "--allow", "127.0.0.3,127.0.1.0/24")
        try:
            for source, admitted in (("127.0.0.1", False), ("127.0.0.2", False),
                                     ("127.0.0.3", True), ("127.0.1.7", True)):
                client = serve.raw(source)
                if admitted:
                    client.sendall(b"*IDN?\n")
                    self.assertIn("QLM-5120RX", read_line(client), source)
                else:
                    self.assertTrue(closed(client), source)
                    self.assertIn("拒绝来自 %s:" % source, serve.stderr())
                client.close()
            self.assertEqual(serve.stop(signal.SIGINT), 0)
        finally:
            serve.kill()

    def test_address_options_that_make_no_sense_are_usage_errors(self):
        for options, says in (
                (["--listen", "127.0.0.1"], "--allow"),
                (["--listen", "127.0.0.1", "--allow", ","], "第 1 项是空的"),
                (["--listen", "127.0.0.1", "--allow", "127.0.0.3,,127.0.0.4"], "第 2 项是空的"),
                (["--listen", "127.0.0.1", "--allow", "0.0.0.0/0"], "允许任何地址"),
                (["--listen", "::1", "--allow", "::/0"], "允许任何地址"),
                (["--listen", "127.0.0.1", "--allow", "127.0.0.x"], "不是 IP 地址")):
            with self.subTest(options):
                run = subprocess.run([PROGRAM, "serve", *options], capture_output=True,
                                     text=True, timeout=TIMEOUT)
                self.assertEqual(run.returncode, 1)
                self.assertIn(says, run.stderr)


if __name__ == "__main__":
    unittest.main()
