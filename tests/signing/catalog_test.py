"""Checks scripts/make-catalog by reading what it writes with a reader of our own.

    python3 tests/signing/catalog_test.py [-v]

With DRIVER_STAGE_DIR naming the build's staged driver folder, its DLLs are
catalogued too and its QuorvelA4.cat is checked against its files. Tests that
need osslsigncode or openssl skip without them.
"""
import glob
import hashlib
import os
import shutil
import struct
import subprocess
import tempfile
import types
import unittest
from importlib.machinery import SourceFileLoader

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "make-catalog")
make_catalog = types.ModuleType("make_catalog")  # the script has no .py suffix to import it by
SourceFileLoader("make_catalog", SCRIPT).exec_module(make_catalog)
STAGE = os.environ.get("DRIVER_STAGE_DIR")
SIGNING_TOOLS = shutil.which("osslsigncode") and shutil.which("openssl")
PE_GUID, FLAT_GUID = "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}", "{DE351A42-8E59-11D0-8C47-00C04FC295EE}"


# A DER reader kept apart from the script's encoder, so that each checks the other.

def der(data):
    items, at = [], 0
    while at < len(data):
        tag, size, at = data[at], data[at + 1], at + 2
        if size & 0x80:
            count = size & 0x7F
            if not 0 < count <= 4:
                raise ValueError("indefinite or oversized length")
            size, at = int.from_bytes(data[at:at + count], "big"), at + count
        if at + size > len(data):
            raise ValueError(f"element {tag:#x} runs past its parent")
        items.append((tag, data[at:at + size]))
        at += size
    return items


def fields(data, *tags):
    """The contents of the elements in data, the first of them checked to have these tags."""
    items = der(data)
    if [tag for tag, _ in items[:len(tags)]] != list(tags):
        raise ValueError(f"expected tags {tags}, found {[tag for tag, _ in items]}")
    return [content for _, content in items]


def oid(content):
    numbers, value = [content[0] // 40, content[0] % 40], 0
    for byte in content[1:]:
        value = value << 7 | byte & 0x7F
        if not byte & 0x80:
            numbers.append(value)
            value = 0
    return ".".join(map(str, numbers))


def signed_content(data):
    """The content type and content of a SignedData; certificates and signers are skipped."""
    kind, content = fields(fields(data, 0x30)[0], 0x06, 0xA0)
    assert oid(kind) == "1.2.840.113549.1.7.2"
    kind, content = fields(fields(fields(content, 0x30)[0], 0x02, 0x31, 0x30)[2], 0x06, 0xA0)
    return oid(kind), fields(content, 0x30)[0]


def name_value(content):
    name, flags, value = fields(content, 0x1E, 0x02, 0x04)
    assert int.from_bytes(flags, "big") == 0x10010001 and value.endswith(b"\0\0")
    return name.decode("utf-16-be"), value[:-2].decode("utf-16-le")


def read_catalog(data):
    kind, ctl = signed_content(data)
    assert kind == "1.3.6.1.4.1.311.10.1"
    usage, _, when, algorithm, subjects, extensions = fields(ctl, 0x30, 0x04, 0x17, 0x30, 0x30, 0xA0)
    assert oid(fields(usage, 0x06)[0]) == "1.3.6.1.4.1.311.12.1.1"
    assert oid(fields(algorithm, 0x06, 0x05)[0]) == "1.3.6.1.4.1.311.12.1.2"
    members = []
    for subject in fields(subjects):
        tag, attributes = fields(subject, 0x04, 0x31)
        member = {"tag": tag.decode("utf-16-le"), "values": {}}
        for attribute in fields(attributes):
            kind, values = fields(attribute, 0x06, 0x31)
            value, kind = fields(values, 0x30)[0], oid(kind)
            if kind == "1.3.6.1.4.1.311.2.1.4":
                subject, digest = fields(value, 0x30, 0x30)
                member["subject"] = oid(fields(subject, 0x06)[0])
                algorithm, member["digest"] = fields(digest, 0x30, 0x04)
                member["algorithm"] = oid(fields(algorithm, 0x06, 0x05)[0])
            elif kind == "1.3.6.1.4.1.311.12.2.2":
                member["guid"] = fields(value, 0x1E, 0x02)[0].decode("utf-16-be")
            elif kind == "1.3.6.1.4.1.311.12.2.1":
                member["values"].update([name_value(value)])
        members.append(member)
    attributes = dict(name_value(fields(fields(extension, 0x06, 0x04)[1], 0x30)[0])
                      for extension in fields(fields(extensions, 0x30)[0]))
    return {"time": when.decode(), "members": members, "attributes": attributes}


def build_pe(magic=0x20B, certificate=b"", gap=0, tail=b""):
    """A small PE image, and its image hash from where the builder put each region."""
    header, optional = bytearray(0x200), 0x58
    optional_size = 240 if magic == 0x20B else 224
    directories = optional + optional_size - 128
    header[:2], header[0x40:0x44] = b"MZ", b"PE\0\0"
    struct.pack_into("<I", header, 0x3C, 0x40)
    struct.pack_into("<HH12xHH", header, 0x44, 0x8664 if magic == 0x20B else 0x14C, 2, optional_size, 0x2022)
    struct.pack_into("<H30xII16xIII", header, optional, magic, 0x1000, 0x200, 0x3000, 0x200, 0x5EED)
    struct.pack_into("<I", header, directories - 4, 16)
    struct.pack_into("<8sIIII", header, optional + optional_size, b".text", 0x200, 0x1000, 0x200, 0x200)
    struct.pack_into("<8sIIII", header, optional + optional_size + 40, b".rsrc", 0x200 - gap, 0x2000, 0x200 - gap,
                     0x400)
    image = header + bytes(range(256)) * 2 + b"\x5A" * (0x200 - gap) + b"\xEE" * gap + tail
    if certificate:
        image += bytes(-len(image) % 8)
        struct.pack_into("<II", image, directories + 32, len(image), len(certificate))
    hashed = image[:optional + 64] + image[optional + 68:directories + 32] + image[directories + 40:]
    if not certificate:
        hashed += bytes(-len(image) % 8)  # as signing would pad the file
    return bytes(image + certificate), hashlib.sha1(hashed).digest()


PE64 = build_pe(certificate=struct.pack("<IHH", 24, 0x200, 2) + b"not a signature!")
PE32 = build_pe(0x10B, gap=0x30, tail=b"xyz")
FILES = {"print64.dll": PE64[0], "print32.dll": PE32[0], "copy.dll": PE64[0], "readme.txt": b"Quorvel A4\n",
         "dos.exe": b"MZ" + bytes(0x3A) + b"\x40\0\0\0NE\0\0"}  # an MS-DOS program, hashed whole


def run(*command, check=True):
    return subprocess.run(command, capture_output=True, text=True, check=check,
                          env=dict(os.environ, SOURCE_DATE_EPOCH="1700000000"))


def read(path):
    with open(path, "rb") as file:
        return file.read()


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)
    return path


def flipped(path, offset, folder):
    data = bytearray(read(path))
    data[offset] ^= 0xFF
    return write(os.path.join(folder, "tampered-" + os.path.basename(path)), data)


def expected_digest(path):
    if STAGE and path.startswith(STAGE):
        return make_catalog.file_hash(path)[0]  # proved against osslsigncode below
    data = read(path)
    return dict([PE64, PE32]).get(data) or hashlib.sha1(data).digest()


def osslsigncode_digest(path, algorithm):
    """The image hash osslsigncode puts in the SpcIndirectDataContent it would sign."""
    with tempfile.TemporaryDirectory() as folder:
        run("osslsigncode", "extract-data", "-h", algorithm, "-in", path, "-out", os.path.join(folder, "blob"))
        kind, content = signed_content(read(os.path.join(folder, "blob")))
    return fields(fields(content, 0x30, 0x30)[1], 0x30, 0x04)[1]


class Catalog(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.addClassCleanup(shutil.rmtree, cls.folder)
        cls.files = [write(os.path.join(cls.folder, name), data) for name, data in FILES.items()]
        cls.files += sorted(glob.glob(os.path.join(STAGE, "Driver*", "*.dll"))) if STAGE else []
        cls.catalog = os.path.join(cls.folder, "test.cat")
        run(SCRIPT, "--os-attr", "2:6.1", "--os", "7X64", cls.catalog, *cls.files)
        cls.read = read_catalog(read(cls.catalog))
        cls.digests = {member["digest"] for member in cls.read["members"]}
        if SIGNING_TOOLS:
            cls.key, cls.certificate = (os.path.join(cls.folder, name) for name in ("k.pem", "c.pem"))
            run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30", "-subj",
                "/CN=test", "-addext", "extendedKeyUsage=codeSigning", "-keyout", cls.key, "-out", cls.certificate)

    def test_one_member_a_distinct_file(self):
        first = {}
        for path in self.files:
            first.setdefault(expected_digest(path), os.path.basename(path))
        members = self.read["members"]
        self.assertEqual(len(members), len(first), "byte-identical files share one member")
        self.assertEqual([member["tag"] for member in members], sorted(member["tag"] for member in members))
        self.assertEqual(self.read["attributes"], {"OS": "7X64"})
        self.assertEqual(self.read["time"], "231114221320Z")
        for member in members:
            name = first[member["digest"]]
            with self.subTest(name):
                is_pe = name.endswith(".dll")
                self.assertEqual(member["tag"], member["digest"].hex().upper() + "\0")
                self.assertEqual(member["algorithm"], "1.3.14.3.2.26")
                self.assertEqual(member["subject"], "1.3.6.1.4.1.311.2.1." + ("15" if is_pe else "25"))
                self.assertEqual(member["guid"], PE_GUID if is_pe else FLAT_GUID)
                self.assertEqual(member["values"], {"File": name, "OSAttr": "2:6.1"})

    def test_image_hash_covers_the_image_only(self):
        for place, offset, counted in (("section", 0x300, True), ("CheckSum", 0x58 + 64, False),
                                       ("certificate table", len(PE64[0]) - 3, False), ("gap", 0x5F0, True)):
            with self.subTest(place):
                path = flipped(self.files[1] if place == "gap" else self.files[0], offset, self.folder)
                self.assertEqual(make_catalog.file_hash(path)[0] not in self.digests, counted)

    @unittest.skipUnless(SIGNING_TOOLS, "osslsigncode or openssl is not installed")
    def test_image_hash_agrees_with_osslsigncode(self):
        signed = os.path.join(self.folder, "signed.dll")  # its hash must be the unsigned file's
        run("osslsigncode", "sign", "-h", "sha1", "-certs", self.certificate, "-key", self.key,
            "-in", self.files[1], "-out", signed)
        for path in [path for path in self.files if path.endswith(".dll")] + [signed]:
            data = read(path)
            for algorithm in ("sha1", "sha256"):
                with self.subTest(os.path.basename(path), algorithm=algorithm):
                    self.assertEqual(make_catalog.pe_image_hash(data, algorithm),
                                     osslsigncode_digest(path, algorithm))

    @unittest.skipUnless(SIGNING_TOOLS, "osslsigncode or openssl is not installed")
    def test_signed_catalog_verifies_and_reads_the_same(self):
        signed = os.path.join(self.folder, "signed.cat")
        run("osslsigncode", "sign", "-h", "sha256", "-certs", self.certificate, "-key", self.key,
            "-in", self.catalog, "-out", signed)
        run("osslsigncode", "verify", "-CAfile", self.certificate, signed)
        self.assertEqual(read_catalog(read(signed)), self.read)

    def test_refuses_broken_images(self):
        for name, data in (("short.dll", b"MZ\x90\0"), ("truncated.dll", b"MZ" + bytes(0x3A) + b"\0\x10\0\0"),
                           ("sections.dll", PE64[0][:0x300]), ("certificates.dll", PE64[0][:-1])):
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                result = run(SCRIPT, os.path.join(folder, "out.cat"), write(os.path.join(folder, name), data),
                             check=False)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(name + ": ", result.stderr)
                self.assertEqual(os.listdir(folder), [name])


@unittest.skipUnless(STAGE and os.path.exists(os.path.join(STAGE, "QuorvelA4.cat")), "no staged QuorvelA4.cat")
class StagedCatalog(unittest.TestCase):
    def setUp(self):
        self.read = read_catalog(read(os.path.join(STAGE, "QuorvelA4.cat")))
        self.members = {member["digest"]: member for member in self.read["members"]}

    def test_every_staged_file_has_its_member(self):
        names = {}
        for pattern in ("QuorvelA4.inf", "*.pcd", "plotuia4.hlp", "Driver32/*.dll", "Driver64/*.dll"):
            for path in glob.glob(os.path.join(STAGE, pattern)) or self.fail(f"no staged {pattern}"):
                names.setdefault(make_catalog.file_hash(path)[0], set()).add(os.path.basename(path))
        for digest, group in names.items():
            with self.subTest(sorted(group)):
                self.assertIn(digest, self.members)
                self.assertIn(self.members[digest]["values"]["File"], group)

    def test_a_tampered_dll_is_not_found(self):
        path = sorted(glob.glob(os.path.join(STAGE, "Driver64", "*.dll")))[0]
        with tempfile.TemporaryDirectory() as folder:
            tampered = flipped(path, os.path.getsize(path) // 2, folder)
            self.assertNotIn(make_catalog.file_hash(tampered)[0], self.members)

    @unittest.skipUnless(SIGNING_TOOLS, "needs osslsigncode and openssl")
    def test_osslsigncode_verifies_every_signed_file_against_the_packed_certificate(self):
        signed = [os.path.join(STAGE, "QuorvelA4.cat")] + sorted(glob.glob(os.path.join(STAGE, "Driver*", "*.dll")))
        if os.environ.get("SETUP_PROGRAM"):
            signed.append(os.environ["SETUP_PROGRAM"])
        with tempfile.TemporaryDirectory() as folder:
            # The package's certificate as the only anchor (with the system's
            # roots for a vendor's CA-issued one): it must be the signer's.
            anchors = os.path.join(folder, "anchors.pem")
            pem = subprocess.run(["openssl", "x509", "-inform", "DER", "-in", os.path.join(STAGE, "kvtp.cer")],
                                 capture_output=True, check=True).stdout
            system = "/etc/ssl/certs/ca-certificates.crt"
            with open(anchors, "wb") as out:
                out.write(pem + (read(system) if os.path.exists(system) else b""))
            for path in signed:
                with self.subTest(os.path.basename(path)):
                    result = subprocess.run(["osslsigncode", "verify", "-CAfile", anchors, "-in", path],
                                            capture_output=True, text=True)
                    self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                    self.assertIn("Signature verification: ok", result.stdout)


if __name__ == "__main__":
    unittest.main()
