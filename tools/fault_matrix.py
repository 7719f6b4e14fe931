#!/usr/bin/env python3
"""Writes the fault matrix: one end-to-end scenario per fault that the stand-in
librfc32 can play, at each RFC step of the single-profile run and of the
multi-system run, as folders scenarios/fault_<run>_<step>_<fault>.

The expected results are worked out here from what the sensor is meant to do, step
by step, not taken from a run of it: the exact standard output and exit status, the
library calls in the stand-in's call log (so the step at which the run stopped and
everything it did afterwards is checked too), the files of the working directory
that must stay untouched ("SapRfc.ini" an exact copy of the destination file, or left
as it was), "Dev_Rfc.Trc" kept, and the password as a secret that may appear
nowhere.

  tools/fault_matrix.py           rewrites every scenarios/fault_* folder
  tools/fault_matrix.py --check   exits 1 when the folders differ from what it writes
"""
import argparse
import filecmp
import os
import shutil
import sys
import tempfile

PASSWORD = "Monitor#2024"
# SAP's words for a refused logon, as the stand-in writes them into Dev_Rfc.Trc.
REFUSED = "Name or password is incorrect (repeat logon)"
# The library's error groups of the failures a multi-system run asks about.
GROUPS = {"RFC_ERROR_COMMUNICATION": 102, "RFC_ERROR_LOGON_FAILURE": 103}
# The password above, scrambled as the password tool writes it into a profile.
STORED_PASSWORD = '<;?7N`mw")Odu9!e}z6=;kfu'

TABLES = ["ADDTL_INDEX", "ADDTL_TABLES", "ADDTL_VIEWS", "MISS_INDEX", "MISS_TABLES", "MISS_VIEWS"]
STRUCTURES = {"RFCSI": (18, 100), "DB02INFDB4": (21, 101), "MISSOBJ": (1, 102)}
SYSINFO = "RFC_SYSTEM_INFO"
DB02 = "DB02_DB4_GET_INFO"

# An error block the library wrote in an earlier run; a failing run must keep it.
OLD_TRACE = (
    "**** ERROR file opened at 20261209 231500 CET, SAP-REL 640,0,0 RFC-VER 3 MT-SL\n"
    "T:1234 ======> Connect to SAP gateway failed\n"
    "LOCATION    CPIC (TCP/IP) on local host\n"
    "ERROR       partner not reached (host sapold, service 3300)\n"
    "COMPONENT   NI (network interface)\n"
    "T:1234 <* RfcOpen [0] : returns 0\n"
)
# A "SapRfc.ini" of another destination, left from earlier use; the direct route must
# not touch it.
OTHER_INI = "DEST=OTHER\nTYPE=A\nASHOST=sapother\nSYSNR=05\n"


class System:
    def __init__(self, name, number, ini_route=False):
        self.name = name
        self.host = "sap" + name.lower()
        self.sysnr = number
        self.ini_route = ini_route
        self.fault = None

    def profile(self):
        return "\n".join([
            "* profile of the SAP system %s" % self.name,
            "Extcompany.: Korvanel Test",
            "Destination: %s" % self.name,
            "Client.....: 100",
            "User.......: MONITOR",
            "Password...: %s" % STORED_PASSWORD,
            "Language...: EN",
            "Mode.......: R/3",
            "Hostname...: %s" % self.host,
            "Sysnr......: %02d" % self.sysnr,
            "Gwhost.....: %s" % self.host,
            "Gwservice..: sapgw%02d" % self.sysnr,
        ]) + "\n"

    def landscape(self):
        lines = [
            "[system %s]" % self.name,
            "host = %s" % self.host,
            "sysnr = %d" % self.sysnr,
            "gwhost = %s" % self.host,
            "gwservice = sapgw%02d" % self.sysnr,
            "client = 100",
            "user = MONITOR",
            "password = %s" % PASSWORD,
            "rfcsi.RFCHOST = %s" % self.host,
            "rfcsi.RFCDBSYS = DB4",
            "rfcsi.RFCSYSID = %s" % self.name,
            "db02.DBSYS = DB4",
            "db02.FS_A_DATE = 20261210",
            "db02.FS_A_TIME = 140359",
            "db02.SYSID = %s" % self.name,
            "db02.SYS_ASP_P = 87.12345",
            "db02.SYS_ASP_S = 1234567.8",
            "db02.ASP_TOT_S = 2345678.9",
        ]
        if self.fault:
            lines.append("fault = " + " ".join(self.fault))
        return "\n".join(lines) + "\n"

    def destination_file(self):
        return "DEST=%s\nTYPE=A\nASHOST=%s\nSYSNR=%02d\n" % (self.name, self.host, self.sysnr)


class Aborted(Exception):
    """The library's error handler ended the process (exit status 1)."""


class RunEnded(Exception):
    """An error document ended the run (exit status 2)."""


class Hung(Exception):
    """The library never returned from the step named by the argument."""


class Crashed(Exception):
    """The library died of an invalid memory access, and the process with it."""


# The time budget the rows of hung systems run with, and how long such a run may take:
# the budget, half a second for the answer and a second for a loaded machine.
TIMEOUT = 2
ELAPSED = "%d %g\n" % (TIMEOUT, TIMEOUT + 1.5)
# A listing's budget is longer: its healthy systems must each start a process of their
# own and finish within it, and under wine's emulated 32-bit loader a start costs up
# to a second on a loaded machine.
LISTING_TIMEOUT = 5
LISTING_ELAPSED = "%d %g\n" % (LISTING_TIMEOUT, LISTING_TIMEOUT + 1.5)


def error_document(message):
    escaped = message.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    return "<Prtg>\n<Error>1</Error>\n<Text>%s</Text>\n</Prtg>\n" % escaped


def count_channel(name, value, limits=""):
    return "\n<Result><Channel>%s</Channel>\n<Unit>Count</Unit>\n<Value>%d</Value>%s</Result>\n" % (
        name, value, limits)


def summary_channels(systems, processed, failed, not_found):
    """The channels of a multi-system summary: any failed system is an error, any entry
    without a profile a warning."""
    return (count_channel("Systems", systems) + count_channel("Processed", processed)
            + count_channel("Failed", failed, "\n<LimitMaxError>0</LimitMaxError>\n<LimitMode>1</LimitMode>")
            + count_channel("Not found", not_found,
                            "\n<LimitMaxWarning>0</LimitMaxWarning>\n<LimitMode>1</LimitMode>"))


def label_line(label, value):
    return "%-15s : %s\n" % (label, value)


class Sensor:
    """What one run of the sensor does against the stand-in: its call log and output."""

    def __init__(self, trace):
        self.trace = trace
        self.calls = []
        self.stdout = ""
        self.installed = set()
        self.tables_made = 0
        self.handles_given = 0
        self.last_error = None  # the key of the library's last failure of a call

    # --- the stand-in's failures, as the sensor gets to see them ---------------------
    def abort(self, operation, key, status, message, internal):
        self.calls.append("RfcLastError -> 0 key=%s" % key)
        self.calls.append("RfcClose handle=0")
        if not self.trace:
            # Without trace PRTG reads the report, so it comes as the error document.
            parts = [("operation/code", operation), ("key", key), ("status", status), ("message", message),
                     ("internal status", internal)]
            self.stdout += error_document("RFC error: " + ", ".join("%s %s" % part for part in parts if part[1]))
            raise Aborted()
        self.stdout += "RFC error\n" + label_line("operation/code", operation) + label_line("key", key)
        self.stdout += label_line("status", status) + label_line("message", message)
        self.stdout += label_line("internal status", internal) + "\n* Programm aborted...\n"
        raise Aborted()

    def hang_or_crash(self, system, line, on_open, function=None):
        """The faults that stop the process where it stands: the call is logged first."""
        for kind, outcome in (("hang", Hung), ("crash", Crashed)):
            if self.fault_is(system, kind + ("_on_open" if on_open else "_on_call"), function):
                self.calls.append(line + (" -> hangs" if kind == "hang" else " -> crashes"))
                raise outcome(function or "logon")

    @staticmethod
    def fault_is(system, kind, target=None):
        fault = system.fault
        return fault is not None and fault[0] == kind and (target is None or fault[1] == target)

    # --- the RFC steps ----------------------------------------------------------------
    def open(self, system):
        """Returns the connection handle, 0 when the logon failed."""
        if system.ini_route:
            self.stdout += "* SapRfc.Ini.......: %s<\n" % system.name
            line = "RfcOpenEx CLIENT=100 USER=MONITOR PASSWD=<%d chars> LANG=D DEST=%s" % (len(PASSWORD), system.name)
            api = "RfcOpenEx"
        else:
            line = ('RfcOpen mode=0 dest=%s client=100 user="MONITOR     " password=<%d chars> lang=EN host=%s '
                    'sysnr=%d gwhost=%s gwservice=sapgw%02d trace=0' % (system.name, len(PASSWORD), system.host,
                                                                         system.sysnr, system.host, system.sysnr))
            api = "RfcOpen"
        self.hang_or_crash(system, line, True)
        if self.fault_is(system, "handler_on_open"):
            self.calls.append(line + " -> error handler")
            self.abort(api, "RFC_ERROR_COMMUNICATION", "Connection to partner broken",
                       "connection to partner '%s' broken during logon" % system.name, "%s [0] : returns 0" % api)
        # The connect string's logon is checked at once; RfcOpen's with the first call.
        if self.fault_is(system, "unreachable") or (self.fault_is(system, "logon_refused") and system.ini_route):
            self.calls.append(line + " -> 0")
            return 0
        self.handles_given += 1
        self.calls.append(line + " -> %d" % self.handles_given)
        return self.handles_given

    def install(self, system, structure):
        if structure in self.installed:
            return
        entries, handle = STRUCTURES[structure]
        if self.fault_is(system, "install_fails", structure):
            self.calls.append("RfcInstallStructure %s entries=%d -> 1" % (structure, entries))
            self.abort("RfcInstallStructure", "RFC_ERROR_PROGRAM", "RfcInstallStructure failed",
                       "structure %s: installation refused" % structure,
                       "RfcInstallStructure [0] : returns 1:RFC_FAILURE")
        self.calls.append("RfcInstallStructure %s entries=%d -> 0 handle=%d" % (structure, entries, handle))
        self.installed.add(structure)

    def call(self, system, handle, function, importing, tables):
        """RfcCall and RfcReceive; returns the return code, the sensor's error text and
        the trace file's diagnosis of it."""
        call = "RfcCall handle=%d %s exporting={} tables={%s}" % (handle, function, tables)
        self.hang_or_crash(system, call, False, function)
        if self.fault_is(system, "logon_refused"):
            self.calls.append(call + " -> 1")
            self.last_error = "RFC_ERROR_LOGON_FAILURE"
            return 1, "Error 1014: RFC-Failure raised !", REFUSED
        if self.fault_is(system, "handler_on_call", function):
            self.calls.append(call + " -> error handler")
            self.abort("RfcCall", "RFC_ERROR_COMMUNICATION", "Connection to partner broken",
                       "connection to partner '%s' broken during the call of %s" % (system.name, function),
                       "RfcCall [%d] : returns 1:RFC_FAILURE" % handle)
        if self.fault_is(system, "call_fails", function):
            self.calls.append(call + " -> 1")
            self.last_error = "RFC_ERROR_COMMUNICATION"
            return 1, "Error 1014: RFC-Failure raised !", "connection to partner '%s' broken" % system.host
        self.calls.append(call + " -> 0")
        receive = "RfcReceive handle=%d importing={%s} tables={%s}" % (handle, importing, tables)
        if self.fault_is(system, "exception", function):
            name = system.fault[2]
            self.calls.append(receive + " -> 2 exception=%s" % name)
            return 2, "Error 1012: Exception.: " + name, "Function module %s raised the exception %s" % (function, name)
        if self.fault_is(system, "sys_exception", function):
            name = system.fault[2]
            self.calls.append(receive + " -> 3 exception=%s" % name)
            return 3, "Error 1013: Sys-Exception raised !", "System failure in %s: %s" % (function, name)
        if self.fault_is(system, "return_code", function):
            code = int(system.fault[2])
            self.calls.append(receive + " -> %d" % code)
            return code, "Error 1015: Other Failure raised !", "%s ends with return code %d" % (function, code)
        self.calls.append(receive + " -> 0")
        return 0, "", ""

    def identify(self, system, handle):
        self.install(system, "RFCSI")
        importing = ("CURRENT_RESOURCES/17 INT 4, DIALOG_USER_TYPE/16 CHAR 1, MAXIMAL_RESOURCES/17 INT 4, "
                     "RECOMMENDED_DELAY/17 INT 4, RFCSI_EXPORT/12 RFCSI#100 200, RFC_LOGIN_COMPLETE/18 CHAR 1")
        return self.call(system, handle, SYSINFO, importing, "")

    def measure(self, system, handle):
        numbers = []
        for table in TABLES:
            line = "ItCreate %s leng=40 occu=0 memo=0" % table
            if self.fault_is(system, "itcreate_fails", table):
                self.calls.append(line + " -> <null>")
                self.abort("ItCreate " + table, "RFC_ERROR_RESOURCE", "Internal table operation failed",
                           "ItCreate %s: no memory for the table" % table, "ItCreate : returns 0")
            self.tables_made += 1
            numbers.append(self.tables_made)
            self.calls.append(line + " -> T%d" % self.tables_made)
        self.install(system, "DB02INFDB4")
        self.install(system, "MISSOBJ")
        tables = ", ".join("%s/%d MISSOBJ#102 40 T%d" % (table, len(table), number)
                           for table, number in zip(TABLES, numbers))
        importing = "API_QWCRSSTS_RC/15 INT 4, DB02_DISPLAYED_INFO/19 DB02INFDB4#101 120"
        outcome = self.call(system, handle, DB02, importing, tables)
        for table, number in zip(TABLES, numbers):
            if self.fault_is(system, "itdelete_fails", table):
                self.calls.append("ItDelete T%d %s -> 1" % (number, table))
                self.abort("ItDelete " + table, "RFC_ERROR_RESOURCE", "Internal table operation failed",
                           "ItDelete %s: table is locked" % table, "ItDelete : returns 1")
            self.calls.append("ItDelete T%d %s -> 0" % (number, table))
        return outcome

    def close(self, handle):
        self.calls.append("RfcClose handle=%d" % handle)


def single_run(system):
    """The single-profile run of DEMO.P00, without trace; returns the sensor and the exit
    status ("crash" for a process that died)."""
    sensor = Sensor(trace=False)
    try:
        sensor.calls.append("RfcEnvironment errorhandler=set allocate=none")
        handle = sensor.open(system)
        if handle == 0:
            sensor.stdout += error_document("Error 1011: RFC-Open for %s failed !" % system.name)
            return sensor, 2
        code, text, diagnosis = sensor.identify(system, handle)
        if code != 0:
            sensor.stdout += error_document(text + " - " + diagnosis)
            sensor.close(handle)
            return sensor, 2
        code, text, diagnosis = sensor.measure(system, handle)
        sensor.close(handle)
        if code == 0:
            raise SystemExit("the fault %s does not make the single-profile run fail" % " ".join(system.fault))
        sensor.stdout += error_document(text + " - " + diagnosis)
        return sensor, 2
    except Aborted:
        return sensor, 1
    except Hung as hung:
        # The watchdog's document is the only one, whatever the run had written.
        sensor.stdout = error_document("Error 1022: Time limit of %d s reached for %s during %s !" % (
            TIMEOUT, system.name, hung.args[0]))
        return sensor, 2
    except Crashed:
        return sensor, "crash"


def multi_run(systems, item):
    """The multi-system run over the global listing, in trace mode; returns the sensor
    and the exit status. Each system is visited by a child process of its own, so each
    starts with no structures installed and its own handles and tables; a fatal library
    error ends only its child: the system counts failed and the run goes on, as when
    its library crashes; a hung child is ended when the time budget is used up and its
    system counted failed at the step it hung in."""
    sensor = Sensor(trace=True)
    sensor.stdout += "* {hh:mm:ss} SAP Korvanel Vers 4.3 / 29.08.22\n"
    sensor.stdout += "* {hh:mm:ss} Item=%s State=Executing\n" % item
    sensor.stdout += "\n<Prtg>\n\n"
    processed = failed = 0
    try:
        for system in systems:
            sensor.installed = set()
            sensor.tables_made = 0
            sensor.handles_given = 0
            state = "Rfc Failure"
            limit = ""
            try:
                sensor.calls.append("RfcEnvironment errorhandler=set allocate=none")
                handle = sensor.open(system)
                if handle != 0:
                    code, text, diagnosis = sensor.identify(system, handle)
                    refused = False
                    if code == 1:
                        # A failed identification: only a refused logon lets the run go on.
                        key = sensor.last_error
                        sensor.calls.append("RfcLastErrorEx -> 0 group=%d key=%s" % (GROUPS[key], key))
                        refused = key == "RFC_ERROR_LOGON_FAILURE"
                    if code != 0 and not refused:
                        sensor.stdout += error_document(text + " - " + diagnosis)
                        sensor.close(handle)
                        raise RunEnded()
                    if not refused:
                        code, _, _ = sensor.measure(system, handle)
                    sensor.close(handle)
                    if code == 0:
                        state = "Processed"
            except (Aborted, Crashed):
                pass
            except Hung as hung:
                limit = "* {hh:mm:ss} Time limit of %d s reached during %s\n" % (LISTING_TIMEOUT, hung.args[0])
            if state == "Processed":
                processed += 1
            else:
                failed += 1
            sensor.stdout += "\n* {hh:mm:ss} %s.P00, %s, %s, %02d, 100 State=%s\n" % (
                system.name, system.host, system.name, system.sysnr, state)
            sensor.stdout += limit
    except RunEnded:
        return sensor, 2
    sensor.stdout += "\n<Text>(***) %s: NoSystems=%d, Processed=%d, Failed=%d</Text>\n" % (
        item, len(systems), processed, failed)
    sensor.stdout += summary_channels(len(systems), processed, failed, 0)
    sensor.stdout += "\n</Prtg>\n\n"
    sensor.stdout += "\n* {hh:mm:ss} SAP Korvanel now processed...\n"
    return sensor, 0


# --- the table: every fault the stand-in plays, at every RFC step it can hit ------------
# (step, fault line words); the fault names a function module, structure or table.
OPEN_FAULTS = [("open", ["unreachable"]), ("open", ["logon_refused"]), ("open", ["handler_on_open"]),
               ("open", ["hang_on_open"]), ("open", ["crash_on_open"])]


def call_faults(step, function, exception):
    return [
        (step, ["call_fails", function]),
        (step, ["exception", function, exception]),
        (step, ["sys_exception", function, "ABAP_RUNTIME_ERROR"]),
        (step, ["return_code", function, "23"]),
        (step, ["handler_on_call", function]),
        (step, ["hang_on_call", function]),
        (step, ["crash_on_call", function]),
    ]


# A refused logon strikes at the open on the destination-file route (RfcOpenEx) and at
# the first call on the direct route (RfcOpen): the single-profile run goes the direct
# route only, the multi-system run both ways.
ROWS = (OPEN_FAULTS
        + [("sysinfo", ["logon_refused"])]
        + [("install", ["install_fails", "RFCSI"])]
        + call_faults("sysinfo", SYSINFO, "NOT_AUTHORIZED")
        + [("itcreate", ["itcreate_fails", table]) for table in TABLES]
        + [("install", ["install_fails", "DB02INFDB4"]), ("install", ["install_fails", "MISSOBJ"])]
        + call_faults("db02", DB02, "DB4_NOT_AVAILABLE")
        + [("itdelete", ["itdelete_fails", table]) for table in TABLES])

STEP_TEXT = {
    "open": "at the logon",
    "install": "when the structure %(target)s is installed",
    "sysinfo": "in the call of RFC_SYSTEM_INFO",
    "itcreate": "when the table %(target)s is created",
    "db02": "in the call of DB02_DB4_GET_INFO",
    "itdelete": "when the table %(target)s is deleted",
}

OUTCOME_TEXT = {1: "the library's error report (without trace as the error document), exit 1",
                2: "the error document, exit 2", 0: "exit 0", "crash": "the process dies"}


def row_name(run, step, fault):
    if step in ("install", "itcreate", "itdelete"):
        return "fault_%s_%s_%s" % (run, fault[0], fault[1].lower())
    return "fault_%s_%s_%s" % (run, step, fault[0])


def about(run, step, fault, status, detail):
    where = STEP_TEXT[step] % {"target": fault[1] if len(fault) > 1 else ""}
    return "%s, fault %s %s: %s.\n%s\n" % (
        "Single-profile run" if run == "single" else "Multi-system run", " ".join(fault), where,
        OUTCOME_TEXT[status], detail)


def write(folder, relative, text):
    path = os.path.join(folder, *relative.split("/"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write(text)


def runs_of(step, fault):
    if fault == ["logon_refused"] and step == "open":
        return ("multi",)
    return ("single", "multi")


def single_row(folder, step, fault):
    system = System("DEMO", 0)
    system.fault = fault
    sensor, status = single_run(system)
    work = "drives/C/work/"
    write(folder, work + "DEMO.P00", system.profile())
    write(folder, work + "SapLandscape.txt", system.landscape())
    write(folder, work + "SapRfc.ini", OTHER_INI)
    write(folder, work + "Dev_Rfc.Trc", OLD_TRACE)
    if status == "crash":
        write(folder, "not_prtg", "The library crashes and takes the single-profile run with it before "
              "anything is printed: PRTG shows its own message for a sensor that ended without output.\n")
    if fault[0].startswith("hang_"):
        write(folder, "args", "DEMO\nTIMEOUT=%d\n" % TIMEOUT)
        write(folder, "elapsed", ELAPSED)
    else:
        write(folder, "args", "DEMO\n")
    write(folder, "unchanged", "C:\\work\\DEMO.P00\nC:\\work\\SapLandscape.txt\nC:\\work\\SapRfc.ini\n")
    write(folder, "about", about("single", step, fault, status,
                                 "SapRfc.ini of another destination stays as it was; Dev_Rfc.Trc is kept."))
    return sensor, status


def multi_row(folder, step, fault):
    # S02 takes the destination-file route, except to show a logon refused at the first call.
    refused_at_call = fault == ["logon_refused"] and step == "sysinfo"
    systems = [System("S01", 1), System("S02", 2, ini_route=not refused_at_call), System("S03", 3)]
    # The fault on the middle system shows that the run goes on after it.
    faulty = systems[1]
    faulty.fault = fault
    item = "Plant North"
    sensor, status = multi_run(systems, item)
    work = "drives/C/work/"
    listing = ("* Global listing of the sensors of this probe\n"
               "# GSNG: ASP         S01.P00#S02.P00#\n"
               "# GSNX: ASP        Item=Plant:North,Sensor=\"SAP Korvanel\"\n"
               "# GSNG: ASP         S03.P00#\n")
    write(folder, work + "SAP Wendmark.Gbl", listing)
    for system in systems:
        write(folder, work + "%s.P00" % system.name, system.profile())
    write(folder, work + "SapLandscape.txt", "\n".join(system.landscape() for system in systems))
    unchanged = ["SAP Wendmark.Gbl", "S01.P00", "S02.P00", "S03.P00", "SapLandscape.txt"]
    if systems[1].ini_route:
        write(folder, work + "SapRfc.S02", systems[1].destination_file())
        unchanged.append("SapRfc.S02")
    write(folder, work + "Dev_Rfc.Trc", OLD_TRACE)
    if fault[0].startswith("hang_"):
        write(folder, "args", "GLOBAL\nASP # TIMEOUT=%d\n" % LISTING_TIMEOUT)
        write(folder, "elapsed", LISTING_ELAPSED)
    else:
        write(folder, "args", "GLOBAL\nASP #\n")
    write(folder, "unchanged", "".join("C:\\work\\%s\n" % name for name in unchanged))
    # S02's child makes its "SapRfc.ini" in its own folder, which is removed after it.
    write(folder, "absent", "C:\\work\\SapRfc.ini\n")
    if refused_at_call:
        write(folder, "about", about("multi", step, fault, status,
                                     "Systems S01, S02 and S03, the fault on S02, which is counted failed; no system "
                                     "takes the destination-file route; Dev_Rfc.Trc is kept."))
        return sensor, status
    ini = "no SapRfc.ini is left in the working directory"
    write(folder, "about", about("multi", step, fault, status,
                                 "Systems S01, S02 (ini-file route) and S03, the fault on %s; %s; Dev_Rfc.Trc is kept."
                                 % (faulty.name, ini)))
    return sensor, status


CALL_LOG_SKIP = ("expect C/work/calls.log: the call log is the classic stand-in's; the NetWeaver stand-in "
                 "behind the bridge keeps none")


def bridge_skips(run, fault, absent_ini):
    """The checks of a row that cannot apply through the bridge, each with its reason."""
    kind = fault[0]
    lines = [CALL_LOG_SKIP]
    if kind in ("install_fails", "itcreate_fails", "itdelete_fails"):
        function = {"install_fails": "RfcInstallStructure", "itcreate_fails": "ItCreate",
                    "itdelete_fails": "ItDelete"}[kind]
        reason = ("%s is the bridge's own on this route, so the classic stand-in's %s fault cannot hit it"
                  % (function, kind))
        lines += ["stdout: " + reason, "status: " + reason]
        if kind == "install_fails" and run == "multi" and absent_ini:
            lines.append("absent C:\\work\\SapRfc.ini: " + reason + "; the run goes on to S02's ini-file route")
        if run == "single":
            lines.append("kept C:\\work\\Dev_Rfc.Trc: " + reason + "; the run succeeds and removes the trace")
    elif kind in ("handler_on_open", "handler_on_call"):
        reason = ("the classic stand-in calls the sensor's error handler here; the bridge calls it only for its "
                  "own fatal conditions and answers the failure with return code 1")
        lines += ["stdout: " + reason, "status: " + reason]
    elif kind == "return_code":
        lines.append("stdout: return code %s comes only from the classic stand-in; NetWeaver outcomes map to "
                     "1, 2 or 3" % fault[2])
    return "".join(line + "\n" for line in lines)


def write_matrix(scenarios):
    for name in os.listdir(scenarios):
        if name.startswith("fault_"):
            shutil.rmtree(os.path.join(scenarios, name))
    for run, make_row in (("single", single_row), ("multi", multi_row)):
        for step, fault in ROWS:
            if run not in runs_of(step, fault):
                continue
            folder = os.path.join(scenarios, row_name(run, step, fault))
            sensor, status = make_row(folder, step, fault)
            write(folder, "stdout", sensor.stdout)
            write(folder, "status", "%s\n" % status)
            write(folder, "kept", "C:\\work\\Dev_Rfc.Trc\n")
            write(folder, "env", "KORVANEL_RFC_CALL_LOG=calls.log\n")
            write(folder, "expect/C/work/calls.log", "".join(call + "\n" for call in sensor.calls))
            write(folder, "secrets", PASSWORD + "\n")
            write(folder, "bridge_skip", bridge_skips(run, fault, os.path.exists(os.path.join(folder, "absent"))))


def same_trees(left, right):
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(left, right, comparison.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_trees(os.path.join(left, d), os.path.join(right, d)) for d in comparison.common_dirs)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    args = parser.parse_args()
    scenarios = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scenarios")
    if not args.check:
        write_matrix(scenarios)
        return 0
    with tempfile.TemporaryDirectory() as fresh:
        write_matrix(fresh)
        made = sorted(os.listdir(fresh))
        committed = sorted(name for name in os.listdir(scenarios) if name.startswith("fault_"))
        stale = [name for name in made if name not in committed or not same_trees(
            os.path.join(fresh, name), os.path.join(scenarios, name))]
        stale += [name for name in committed if name not in made]
        for name in stale:
            print("scenarios/%s differs from tools/fault_matrix.py" % name)
        return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
