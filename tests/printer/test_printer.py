#!/usr/bin/python3
"""End-to-end tests of vorna-printer: a server on a free loopback port, jobs
sent with CUPS's ipptool, printer data decoded with vorna-prn.

usage: test_printer.py BIN_DIR OUT_DIR [unittest arguments]
"""
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import concurrent.futures
import json
import re
import urllib.request

BIN = None
OUT = None
IPPTOOL_DIR = "/usr/share/cups/ipptool"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# ---- documents --------------------------------------------------------------

def pdf_document(path, boxes, width=595.28, height=841.89, pages=1):
    """A PDF of `pages` pages, each with filled rectangles (x, y, w, h in
    points from the top-left corner, r, g, b from 0 to 1)."""
    objects = []
    page_ids = []
    content_ids = []
    for _ in range(pages):
        ops = []
        for (x, y, w, h, r, g, b) in boxes:
            ops.append(f"{r} {g} {b} rg {x} {height - y - h} {w} {h} re f")
        stream = "\n".join(ops).encode()
        content_ids.append(len(objects) + 1)
        objects.append(b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream")
        page_ids.append(len(objects) + 1)
        objects.append(None)  # filled below, once the pages object is known
    pages_id = len(objects) + 1
    kids = " ".join(f"{i} 0 R" for i in page_ids)
    objects.append(f"<< /Type /Pages /Kids [{kids}] /Count {pages} >>".encode())
    for i, pid in enumerate(page_ids):
        objects[pid - 1] = (f"<< /Type /Page /Parent {pages_id} 0 R /MediaBox [0 0 {width} "
                            f"{height}] /Contents {content_ids[i]} 0 R >>").encode()
    catalog_id = len(objects) + 1
    objects.append(f"<< /Type /Catalog /Pages {pages_id} 0 R >>".encode())
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, body in enumerate(objects):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, catalog_id, xref)
    with open(path, "wb") as f:
        f.write(out)


def packbits_line(row, bpp):
    """One PWG raster line: a line repeat count of 0, then runs of pixels."""
    out = bytearray([0])
    pixels = [row[i:i + bpp] for i in range(0, len(row), bpp)]
    i = 0
    while i < len(pixels):
        j = i
        while j + 1 < len(pixels) and pixels[j + 1] == pixels[i] and j - i < 127:
            j += 1
        if j > i:
            out.append(j - i)
            out += pixels[i]
            i = j + 1
        else:
            out.append(0)
            out += pixels[i]
            i += 1
    return bytes(out)


def pwg_document(path, width_dots, height_dots, dpi, boxes, pages=1, truncate_at=None):
    """An sRGB PWG raster file of white pages with rectangles (x, y, w, h in
    dots from the top-left corner, r, g, b bytes)."""
    out = bytearray(b"RaS2")
    for _ in range(pages):
        h = bytearray(1796)
        h[0:9] = b"PwgRaster"
        struct.pack_into(">II", h, 276, dpi, dpi)
        struct.pack_into(">I", h, 340, 1)  # NumCopies
        struct.pack_into(">II", h, 352, round(width_dots * 72 / dpi), round(height_dots * 72 / dpi))
        struct.pack_into(">IIIIIIIIIII", h, 372, width_dots, height_dots, 0, 8, 24,
                         3 * width_dots, 0, 19, 0, 0, 0)
        struct.pack_into(">I", h, 420, 3)  # cupsNumColors
        struct.pack_into(">I", h, 452, pages)  # TotalPageCount
        out += h
        lines = {}
        for y in range(height_dots):
            active = tuple(i for i, bx in enumerate(boxes) if bx[1] <= y < bx[1] + bx[3])
            if active not in lines:
                row = bytearray(b"\xff" * (3 * width_dots))
                for i in active:
                    bx, _, bw, _, r, g, b = boxes[i]
                    row[3 * bx:3 * (bx + bw)] = bytes([r, g, b]) * bw
                lines[active] = packbits_line(bytes(row), 3)
            out += lines[active]
    if truncate_at is not None:
        out = out[:truncate_at]
    with open(path, "wb") as f:
        f.write(out)


def read_ppm(png):
    """Pixels of a PNG as (width, height, bytes RGB), through ImageMagick."""
    data = subprocess.run(["convert", png, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    return w, h, parts[4][-3 * w * h:]


def pixel(img, x, y):
    w, _, data = img
    i = 3 * (y * w + x)
    return tuple(data[i:i + 3])


def near(a, b, tolerance=40):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


# ---- the server -------------------------------------------------------------

class Server:
    def __init__(self, spool):
        self.spool = spool
        self.port = free_port()
        self.proc = None

    def start(self):
        os.makedirs(self.spool, exist_ok=True)
        self.log = open(os.path.join(self.spool, "server.out"), "ab")
        self.proc = subprocess.Popen(
            [os.path.join(BIN, "vorna-printer"), "server", "-o", f"server-port={self.port}",
             "-o", f"spool-directory={self.spool}", "-o", "log-level=info",
             "-o", f"log-file={self.spool}/log", "-o", "server-options=no-tls"],
            stdout=self.log, stderr=self.log)
        deadline = time.time() + 20
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("vorna-printer ended at start-up")
            if self.ipp("get-printer-attributes.test", check=False).returncode == 0:
                return
            time.sleep(0.1)
        raise RuntimeError("vorna-printer did not answer")

    def stop(self):
        if getattr(self, "log", None):
            self.log.close()
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                return self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise
        return self.proc.returncode if self.proc else None

    @property
    def uri(self):
        return f"ipp://localhost:{self.port}/ipp/print"

    def ipp(self, test, args=(), check=True):
        path = test if os.path.isabs(test) else os.path.join(IPPTOOL_DIR, test)
        args = list(args) if "-T" in args else ["-T", "30", *args]
        r = subprocess.run(["ipptool", *args, self.uri, path], capture_output=True, text=True)
        if check and r.returncode != 0:
            raise AssertionError(f"ipptool {test} failed:\n{r.stdout}\n{r.stderr}")
        return r

    def submit(self, document, fmt, name, attrs=(), wait=True, timeout=30):
        """Prints a document; answers the final job-state and job-state-reasons."""
        lines = ["{", "OPERATION Print-Job", "GROUP operation-attributes-tag",
                 "ATTR charset attributes-charset utf-8",
                 "ATTR language attributes-natural-language en", "ATTR uri printer-uri $uri",
                 "ATTR name requesting-user-name tester",
                 f"ATTR mimeMediaType document-format {fmt}", f"ATTR name job-name {name}",
                 "GROUP job-attributes-tag", *attrs, f"FILE {document}",
                 "STATUS successful-ok", "STATUS successful-ok-ignored-or-substituted-attributes",
                 "EXPECT job-id", "}"]
        if wait:
            lines += ["{", "OPERATION Get-Job-Attributes", "GROUP operation-attributes-tag",
                      "ATTR charset attributes-charset utf-8",
                      "ATTR language attributes-natural-language en",
                      "ATTR uri printer-uri $uri", "ATTR integer job-id $job-id",
                      "ATTR name requesting-user-name tester", "STATUS successful-ok",
                      "EXPECT job-state WITH-VALUE >6 REPEAT-NO-MATCH REPEAT-LIMIT 600",
                      "DISPLAY job-state", "DISPLAY job-state-reasons",
                      "DISPLAY job-state-message", "}"]
        fd, test = tempfile.mkstemp(suffix=".test", dir=self.spool)
        with os.fdopen(fd, "w") as f:
            f.write("\n".join(lines) + "\n")
        # Raster arrives as a stream, which the printer takes only when idle:
        # a client tries again, as CUPS does.
        for _ in range(600):
            r = self.ipp(test, ["-tv", "-T", str(timeout)], check=False)
            if "server-error-busy" not in r.stdout:
                break
            time.sleep(0.2)
        if r.returncode != 0 and job_state(r.stdout) is None:
            # The request itself failed (a document cut short): ask the
            # printer what became of the job.
            return self.job_named(name)
        return r.stdout

    def job_named(self, name):
        """The attributes of the job of that name, once it has ended."""
        test = os.path.join(self.spool, "jobs.test")
        with open(test, "w") as f:
            f.write("{\nOPERATION Get-Jobs\nGROUP operation-attributes-tag\n"
                    "ATTR charset attributes-charset utf-8\n"
                    "ATTR language attributes-natural-language en\n"
                    "ATTR uri printer-uri $uri\nATTR keyword which-jobs all\n"
                    "ATTR keyword requested-attributes job-id,job-name,job-state,"
                    "job-state-reasons,job-state-message\nSTATUS successful-ok\n}\n")
        for _ in range(600):
            out = self.ipp(test, ["-tv"]).stdout.split("status-code =", 1)[-1]
            # Each job's attributes come together; a name seen again starts
            # the next job.
            jobs, current = [], {}
            for line in out.splitlines():
                m = re.match(r"\s*(job-[a-z-]+) \([^)]*\) = (.*)", line)
                if not m:
                    continue
                if m.group(1) in current:
                    jobs.append(current)
                    current = {}
                current[m.group(1)] = m.group(2)
            jobs.append(current)
            for job in jobs:
                if job.get("job-name") == name and job.get("job-state") in (
                        "completed", "aborted", "canceled"):
                    return "\n".join(f"{k} (enum) = {v}" for k, v in job.items())
            time.sleep(0.2)
        raise AssertionError(f"job {name} did not end")

    def set_defaults(self, attrs):
        """Changes printer defaults with Set-Printer-Attributes."""
        lines = ["{", "OPERATION Set-Printer-Attributes", "GROUP operation-attributes-tag",
                 "ATTR charset attributes-charset utf-8",
                 "ATTR language attributes-natural-language en", "ATTR uri printer-uri $uri",
                 "ATTR name requesting-user-name tester", "GROUP printer-attributes-tag",
                 *attrs, "STATUS successful-ok", "}"]
        fd, test = tempfile.mkstemp(suffix=".test", dir=self.spool)
        with os.fdopen(fd, "w") as f:
            f.write("\n".join(lines) + "\n")
        return self.ipp(test, ["-tv"])

    def output(self, name):
        return os.path.join(self.spool, "output", name + ".prn")


def job_state(report):
    """The last job-state the report shows."""
    state = None
    for line in report.splitlines():
        line = line.strip()
        if line.startswith("job-state (enum) = "):
            state = line.split("= ", 1)[1]
    return state


def decode(prn, png):
    subprocess.run([os.path.join(BIN, "vorna-prn"), "png", prn, png, "--dpi", "full"], check=True,
                   capture_output=True)
    return read_ppm(png)


RES_360 = "ATTR resolution printer-resolution 360dpi"
A4 = "ATTR keyword media iso_a4_210x297mm"
# 4 x 6 inches: a size the driver has no name for, printed as its user-defined size.
CUSTOM_4X6 = ("ATTR collection media-col { MEMBER collection media-size { "
              "MEMBER integer x-dimension 10160 MEMBER integer y-dimension 15240 } }")
MARGIN = 42  # dots at 360 dpi between the paper's edge and the printed area


class Printer_Server(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = os.path.join(OUT, "printer-jobs")
        shutil.rmtree(cls.work, ignore_errors=True)
        os.makedirs(cls.work)
        cls.server = Server(os.path.join(cls.work, "spool"))
        cls.server.start()
        # Draft quality prints at 360 dpi: what the tests decode quickly.
        cls.server.set_defaults(["ATTR enum print-quality-default draft"])

    @classmethod
    def tearDownClass(cls):
        status = cls.server.stop()
        if status != 0:
            raise AssertionError(f"vorna-printer ended with status {status} on SIGTERM")

    def test_ipp_everywhere_conformance(self):
        # CUPS's own conformance tests, with the documents they name made here.
        suite = os.path.join(self.work, "ipptool")
        shutil.copytree(IPPTOOL_DIR, suite, dirs_exist_ok=True)
        pdf_document(os.path.join(suite, "document-a4.pdf"), [(100, 100, 200, 100, 1, 0, 0)])
        pdf_document(os.path.join(suite, "document-letter.pdf"), [(100, 100, 200, 100, 0, 0, 1)],
                     612, 792)
        time.sleep(1.1)  # printer-up-time must be above 0
        r = subprocess.run(["ipptool", "-T", "60", "-tI", "-f",
                            os.path.join(suite, "document-a4.pdf"), self.server.uri,
                            os.path.join(suite, "ipp-everywhere.test")], capture_output=True,
                           text=True)
        self.assertEqual(r.returncode, 0, r.stdout[-6000:])
        self.assertNotIn("[FAIL]", r.stdout)
        self.assertIn("PWG 5100.14 section 5.1/5.2 - Required Operations and Attributes     [PASS]",
                      r.stdout)

    def test_documents_print_through_the_driver(self):
        # A4 at 360 dpi: 2976 x 4209 dots of paper.
        boxes = [(300, 400, 600, 300, 255, 0, 0), (1500, 2000, 400, 800, 0, 0, 255),
                 (200, 3500, 2000, 200, 0, 160, 0)]
        pwg = os.path.join(self.work, "page.pwg")
        pwg_document(pwg, 2976, 4209, 360, boxes)
        pdf = os.path.join(self.work, "page.pdf")
        # The same rectangles in points.
        pdf_document(pdf, [(x * 0.2, y * 0.2, w * 0.2, h * 0.2, r / 255, g / 255, b / 255)
                           for (x, y, w, h, r, g, b) in boxes])
        for name, doc, fmt in (("pwg", pwg, "image/pwg-raster"), ("pdf", pdf, "application/pdf")):
            with self.subTest(name):
                report = self.server.submit(doc, fmt, "tarv" + name, [RES_360, A4])
                self.assertEqual(job_state(report), "completed", report)
                img = decode(self.server.output("tarv" + name),
                             os.path.join(self.work, name + ".png"))
                self.assertEqual(img[:2], (2976 - 2 * MARGIN, 4209 - 2 * MARGIN))
                for (x, y, w, h, r, g, b) in boxes:
                    cx, cy = x + w // 2 - MARGIN, y + h // 2 - MARGIN
                    self.assertTrue(near(pixel(img, cx, cy), (r, g, b)),
                                    f"{name}: centre of box at {x},{y} is {pixel(img, cx, cy)}")
                    # Just outside the box the paper is white.
                    self.assertTrue(near(pixel(img, x - MARGIN - 4, cy), (255, 255, 255)))
                    self.assertTrue(near(pixel(img, cx, y + h - MARGIN + 4), (255, 255, 255)))

        # Pictures: PAPPL fits them on the page; their quadrants keep their
        # colours and places.
        for ext, fmt in (("png", "image/png"), ("jpg", "image/jpeg")):
            with self.subTest(ext):
                picture = os.path.join(self.work, "picture." + ext)
                subprocess.run(["convert", "-size", "400x560", "xc:white", "-fill", "red",
                                "-draw", "rectangle 0,0 199,279", "-fill", "blue",
                                "-draw", "rectangle 200,280 399,559", picture], check=True)
                report = self.server.submit(picture, fmt, "tarv" + ext, [RES_360, A4])
                self.assertEqual(job_state(report), "completed", report)
                img = decode(self.server.output("tarv" + ext),
                             os.path.join(self.work, ext + ".png"))
                w, h = img[0], img[1]
                self.assertTrue(near(pixel(img, w // 4, h // 4), (255, 0, 0), 60))
                self.assertTrue(near(pixel(img, 3 * w // 4, 3 * h // 4), (0, 0, 255), 60))
                self.assertTrue(near(pixel(img, 3 * w // 4, h // 4), (255, 255, 255), 60))

    def test_user_defined_sizes_print_at_the_size_named(self):
        # 150 x 250 mm: 2126 x 3543 dots at 360 dpi, with a box in its
        # lower right corner.
        pdf = os.path.join(self.work, "custom.pdf")
        pdf_document(pdf, [(300, 550, 100, 100, 0, 0, 1)], 425.2, 708.66)
        for name in ("custom_150x250mm", "om_plan_150x250mm"):
            with self.subTest(name):
                job = "size" + name.split("_")[0]
                report = self.server.submit(pdf, "application/pdf", job,
                                            [RES_360, f"ATTR keyword media {name}"])
                self.assertEqual(job_state(report), "completed", report)
                self.assertNotIn("ignored-or-substituted", report)
                info = subprocess.run([os.path.join(BIN, "vorna-prn"), "info", "--json",
                                       self.server.output(job)], check=True, capture_output=True,
                                      text=True).stdout
                fields = {f["name"]: f["value"] for f in json.loads(info)["jobs"][0]["records"][0]
                          ["fields"]}
                self.assertLess(abs(fields["printable_width"] - 2126), 30, fields)
                self.assertLess(abs(fields["printable_height"] - 3543), 30, fields)
                img = decode(self.server.output(job), os.path.join(self.work, job + ".png"))
                # The box, 350 x 600 points from the top left corner.
                self.assertTrue(near(pixel(img, 350 * 5, 600 * 5), (0, 0, 255)),
                                pixel(img, 350 * 5, 600 * 5))

    def test_bad_documents_abort_and_the_next_job_prints(self):
        bad_pdf = os.path.join(self.work, "bad.pdf")
        with open(bad_pdf, "wb") as f:
            f.write(b"%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 9 0 R >>\ngarbage" * 20)
        short_pwg = os.path.join(self.work, "short.pwg")
        pwg_document(short_pwg, 2976, 4209, 360, [(0, 0, 2976, 4209, 0, 0, 0)],
                     truncate_at=4 + 1796 + 2000)
        good = os.path.join(self.work, "good.pdf")
        pdf_document(good, [(50, 50, 100, 100, 0, 0, 0)])
        picture = os.path.join(self.work, "small.png")
        subprocess.run(["convert", "-size", "200x300", "xc:white", picture], check=True)
        # Photo paper with the high-speed ink set: a page the driver cannot print.
        photo_paper = ["ATTR keyword tarv-ink-set high-speed-4-color",
                       "ATTR collection media-col { MEMBER keyword media-type photographic-glossy "
                       "MEMBER collection media-size { MEMBER integer x-dimension 21000 "
                       "MEMBER integer y-dimension 29700 } }"]
        for name, doc, fmt, extra in (("badpdf", bad_pdf, "application/pdf", [A4]),
                                      ("shortpwg", short_pwg, "image/pwg-raster", [A4]),
                                      ("inkset", picture, "image/png", photo_paper)):
            with self.subTest(name):
                # A stream cut short keeps the server waiting for the rest
                # until the client gives up.
                report = self.server.submit(doc, fmt, name, [RES_360, *extra], timeout=3)
                self.assertEqual(job_state(report), "aborted", report)
                self.assertRegex(report, r"job-state-reasons.*(document-format-error|"
                                 r"document-unprintable-error|aborted-by-system)")
                report = self.server.submit(good, "application/pdf", "after" + name,
                                            [RES_360, A4])
                self.assertEqual(job_state(report), "completed", report)
                self.assertGreater(os.path.getsize(self.server.output("after" + name)), 0)

    def test_twenty_jobs_at_once_all_print(self):
        doc = os.path.join(self.work, "small.pdf")
        pdf_document(doc, [(20, 20, 100, 50, 0, 0, 0)], 288, 432)  # 4 x 6 inches
        names = [f"burst{i:02d}" for i in range(20)]
        with concurrent.futures.ThreadPoolExecutor(len(names)) as pool:
            reports = list(pool.map(
                lambda n: self.server.submit(doc, "application/pdf", n, [RES_360, CUSTOM_4X6]),
                names))
        printed = []
        for name, report in zip(names, reports):
            self.assertEqual(job_state(report), "completed", report)
            job_id = int(re.search(r"job-id \(integer\) = (\d+)", report).group(1))
            out = self.server.output(name)
            self.assertGreater(os.path.getsize(out), 0, name)
            printed.append((job_id, os.stat(out).st_mtime_ns))
        # One at a time: no two jobs wrote their printer data together.
        self.assertEqual(len(set(t for _, t in printed)), len(printed))
        # First come, first printed: the printer data was written in the
        # order the jobs were accepted.
        order = [job_id for job_id, _ in sorted(printed, key=lambda p: p[1])]
        self.assertEqual(order, sorted(order), "the job ids in the order they printed")


class Printer_Lifecycle(unittest.TestCase):
    """What outlives a server: printers and defaults, and nothing else."""

    def setUp(self):
        self.work = os.path.join(OUT, "printer-lifecycle", self._testMethodName)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.server = Server(os.path.join(self.work, "spool"))

    def tearDown(self):
        self.server.stop()

    def attributes(self, names):
        test = os.path.join(self.work, "attrs.test")
        with open(test, "w") as f:
            f.write("{\nOPERATION Get-Printer-Attributes\nGROUP operation-attributes-tag\n"
                    "ATTR charset attributes-charset utf-8\n"
                    "ATTR language attributes-natural-language en\n"
                    "ATTR uri printer-uri $uri\n"
                    f"ATTR keyword requested-attributes {','.join(names)}\n"
                    "STATUS successful-ok\n}\n")
        return self.server.ipp(test, ["-tv"]).stdout

    def start_long_job(self, name):
        doc = os.path.join(self.work, "page.pdf")
        pdf_document(doc, [(50, 50, 400, 600, 0, 0.5, 1)])
        self.server.submit(doc, "application/pdf", name,
                           [RES_360], wait=False)
        log = os.path.join(self.server.spool, "log")
        deadline = time.time() + 30
        while time.time() < deadline:
            with open(log) as f:
                if "Page 1:" in f.read():
                    return
            time.sleep(0.05)
        self.fail("the job did not start")

    def completed_jobs(self):
        return self.server.ipp("get-completed-jobs.test", ["-tv"], check=False).stdout

    def test_defaults_survive_a_restart_and_sigterm_finishes_the_job(self):
        self.server.start()
        self.server.set_defaults(["ATTR integer tarv-ink-density-default 20",
                                  "ATTR keyword tarv-platen-gap-default wide"])
        self.start_long_job("finished")
        self.assertEqual(self.server.stop(), 0, "SIGTERM is a clean stop")
        # The job in progress was finished, whole, before the server ended.
        img = decode(self.server.output("finished"), os.path.join(self.work, "finished.png"))
        self.assertTrue(near(pixel(img, 1000, 1500), (0, 128, 255)))
        work = os.path.join(self.server.spool, "work")
        self.assertEqual(os.listdir(work), [])

        self.server.start()
        out = self.attributes(["printer-name", "tarv-ink-density-default",
                               "tarv-platen-gap-default"])
        self.assertIn("printer-name (nameWithoutLanguage) = tarv", out)
        self.assertIn("tarv-ink-density-default (integer) = 20", out)
        self.assertIn("tarv-platen-gap-default (keyword) = wide", out)

    def test_a_job_cut_off_by_a_kill_is_not_reported_as_completed(self):
        self.server.start()
        self.start_long_job("killed")
        self.server.proc.kill()
        self.server.proc.wait()
        self.server.start()
        self.assertNotIn("job-state (enum) = completed", self.completed_jobs())
        # What the killed job left in the working folder is gone.
        self.assertEqual(os.listdir(os.path.join(self.server.spool, "work")), [])

    def test_web_interface_shows_the_tarv_settings(self):
        self.server.start()
        base = f"http://localhost:{self.server.port}"
        page = urllib.request.urlopen(f"{base}/tarv/printing", timeout=20).read().decode()
        for name in ("tarv-ink-density", "tarv-drying-time", "tarv-platen-gap",
                     "tarv-two-way-printing", "tarv-gamma", "main-roll"):
            self.assertIn(name, page)
        # People read labels, not attribute names.
        for label in ("Ink density (%)", "Drying time per pass", "Platen gap", "Two-way printing",
                      "Colour correction", "Starwheel, curled roll"):
            self.assertIn(label, page)
        self.assertNotRegex(page, r"<th>tarv-[a-z-]+:</th>")
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        if not chromium:
            self.skipTest("chromium is not installed")
        for name, path in (("printer", "/tarv/"), ("printing-defaults", "/tarv/printing")):
            shot = os.path.join(self.work, f"web-{name}.png")
            profile = tempfile.mkdtemp(dir=self.work)
            subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                            "--disable-quic", "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync",
                            f"--user-data-dir={profile}", "--window-size=1200,1800",
                            f"--screenshot={shot}", base + path],
                           capture_output=True, timeout=120)
            w, h, data = read_ppm(shot)
            self.assertEqual((w, h), (1200, 1800))
            # Not a blank page: a good share of the pixels are not white.
            dark = sum(1 for i in range(0, len(data), 3 * 97) if data[i] < 200)
            self.assertGreater(dark, 100, name)


class Printer_Through_Cups(unittest.TestCase):
    """A driverless CUPS queue on the printer, as people set one up: a PDF
    printed with lp ends up as printer data of the same picture."""

    def setUp(self):
        self.cupsd = shutil.which("cupsd") or shutil.which("/usr/sbin/cupsd")
        self.lpadmin = shutil.which("lpadmin") or shutil.which("/usr/sbin/lpadmin")
        if not self.cupsd or not self.lpadmin or not shutil.which("lp"):
            self.skipTest("CUPS (cups-daemon, cups-client) is not installed")
        self.work = os.path.join(OUT, "printer-cups")
        shutil.rmtree(self.work, ignore_errors=True)
        self.server = Server(os.path.join(self.work, "spool"))
        self.server.start()
        self.addCleanup(self.server.stop)
        self.cups = self.start_cupsd(os.path.join(self.work, "cups"))

    def start_cupsd(self, root):
        """A cupsd of its own on a free port, its files all under `root`."""
        for d in ("spool", "cache", "state", "tmp", "log"):
            os.makedirs(os.path.join(root, d))
        port = free_port()
        with open(os.path.join(root, "cupsd.conf"), "w") as f:
            f.write(f"Listen 127.0.0.1:{port}\nLogLevel info\nWebInterface No\nBrowsing No\n"
                    "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                    "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                    "  </Limit>\n</Policy>\n")
        with open(os.path.join(root, "cups-files.conf"), "w") as f:
            f.write(f"ServerRoot {root}\nRequestRoot {root}/spool\nCacheDir {root}/cache\n"
                    f"StateDir {root}/state\nTempDir {root}/tmp\nErrorLog {root}/log/error_log\n"
                    f"AccessLog {root}/log/access_log\nPageLog {root}/log/page_log\n"
                    "Sandboxing relaxed\n")
        proc = subprocess.Popen([self.cupsd, "-f", "-c", os.path.join(root, "cupsd.conf"), "-s",
                                 os.path.join(root, "cups-files.conf")],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def stop():
            proc.terminate()
            proc.wait(timeout=20)
        self.addCleanup(stop)
        host = f"127.0.0.1:{port}"
        deadline = time.time() + 20
        # lpstat -r succeeds either way; only its answer tells.
        while b"scheduler is running" not in subprocess.run(["lpstat", "-h", host, "-r"],
                                                            capture_output=True).stdout:
            if proc.poll() is not None or time.time() > deadline:
                with open(os.path.join(root, "log", "error_log")) as f:
                    self.fail("cupsd did not start:\n" + f.read()[-3000:])
            time.sleep(0.1)
        return host

    def cups_log(self):
        with open(os.path.join(self.work, "cups", "log", "error_log"), errors="replace") as f:
            return "\ncupsd's log:\n" + f.read()[-3000:]

    def test_lp_to_a_driverless_queue_prints_the_pdf(self):
        # CUPS 2.4.2 (Debian 12) picks grey for some new queues unless the
        # queue's colour default is given.
        r = subprocess.run([self.lpadmin, "-h", self.cups, "-p", "tarv", "-v", self.server.uri,
                            "-m", "everywhere", "-o", "print-color-mode-default=color", "-E"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr + self.cups_log())
        # Rectangles in points from the top left corner of an A4 page.
        boxes = [(60, 80, 120, 60, 255, 0, 0), (300, 400, 80, 160, 0, 0, 255)]
        pdf = os.path.join(self.work, "plan.pdf")
        pdf_document(pdf, [(x, y, w, h, r / 255, g / 255, b / 255)
                           for (x, y, w, h, r, g, b) in boxes])
        # As people print: the queue's own defaults (colour, normal quality
        # at 720 dpi, A4).
        subprocess.run(["lp", "-h", self.cups, "-d", "tarv", "-t", "plan", pdf], check=True,
                       capture_output=True)
        try:
            report = self.server.job_named("plan")
        except AssertionError as e:
            raise AssertionError(str(e) + self.cups_log()) from None
        self.assertIn("completed", report)
        # The printed area at 72 dpi: A4 less the margins of 8.4 points.
        png = os.path.join(self.work, "plan.png")
        subprocess.run([os.path.join(BIN, "vorna-prn"), "png", self.server.output("plan"), png,
                        "--dpi", "72"], check=True, capture_output=True)
        img = read_ppm(png)
        self.assertLess(abs(img[0] - 578), 3, img[:2])
        self.assertLess(abs(img[1] - 825), 3, img[:2])
        for (x, y, w, h, r, g, b) in boxes:
            cx, cy = round(x + w / 2 - 8.4), round(y + h / 2 - 8.4)
            self.assertTrue(near(pixel(img, cx, cy), (r, g, b)), pixel(img, cx, cy))
            self.assertTrue(near(pixel(img, round(x - 8.4 - 3), cy), (255, 255, 255)))
            self.assertTrue(near(pixel(img, cx, round(y + h - 8.4 + 3)), (255, 255, 255)))


def main():
    global BIN, OUT
    BIN = os.path.abspath(sys.argv[1])
    OUT = os.path.abspath(sys.argv[2])
    os.makedirs(OUT, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)


if __name__ == "__main__":
    main()
