"""Checks scripts/sign-files with a vendor's PFX, the path CI builds never take.

    python3 tests/signing/sign_files_test.py [-v]
"""
import os
import shutil
import subprocess
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "sign-files")
TOOLS = shutil.which("openssl") and shutil.which("osslsigncode")
# Any unsigned PE file; the build names its own driver DLL.
SAMPLE = os.environ.get("SIGNING_SAMPLE_PE")


def run(*arguments, env=None):
    return subprocess.run(["python3", SCRIPT, *arguments], capture_output=True, text=True, env=env)


@unittest.skipUnless(TOOLS and SAMPLE and os.path.exists(SAMPLE), "needs openssl, osslsigncode and a PE file")
class VendorPfx(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)
        key, pem = os.path.join(self.folder, "v.key"), os.path.join(self.folder, "v.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
                        "-subj", "/CN=Vendor", "-addext", "extendedKeyUsage=codeSigning", "-keyout", key, "-out", pem],
                       check=True, capture_output=True)
        self.pfx = os.path.join(self.folder, "vendor.pfx")
        # -legacy: RC2, as Windows' own export writes it.
        subprocess.run(["openssl", "pkcs12", "-export", "-legacy", "-inkey", key, "-in", pem, "-out", self.pfx,
                        "-passout", "pass:s3cret word"], check=True, capture_output=True)
        self.pem = pem
        self.signer = os.path.join(self.folder, "signer")
        self.env = dict(os.environ, VENDOR_PFX_PASSWORD="s3cret word")

    def test_signs_with_the_pfx_and_packs_its_certificate(self):
        common = ["--signer", self.signer, "--pfx", self.pfx, "--password-env", "VENDOR_PFX_PASSWORD"]
        self.assertEqual(run("certificate", *common, "--openssl", "openssl", env=self.env).returncode, 0)
        der = subprocess.run(["openssl", "x509", "-in", self.pem, "-outform", "DER"], capture_output=True).stdout
        with open(os.path.join(self.signer, "kvtp.cer"), "rb") as packed:
            self.assertEqual(packed.read(), der)
        target = os.path.join(self.folder, "file.dll")
        shutil.copy(SAMPLE, target)
        result = run("sign", *common, "--osslsigncode", "osslsigncode", target, env=self.env)
        self.assertEqual(result.returncode, 0, result.stderr)
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile", self.pem, "-in", target], capture_output=True,
                                text=True)
        self.assertEqual(verify.returncode, 0, verify.stdout)
        self.assertFalse(os.path.exists(os.path.join(self.signer, "test.key")), "no test key with a vendor's PFX")

    def test_refuses_clearly_without_the_password_and_never_prints_it(self):
        common = ["--signer", self.signer, "--pfx", self.pfx, "--openssl", "openssl"]
        missing = run("certificate", *common, "--password-env", "NO_SUCH_VARIABLE", env=self.env)
        self.assertNotEqual(missing.returncode, 0)
        self.assertIn("NO_SUCH_VARIABLE", missing.stderr)
        wrong = run("certificate", *common, "--password-env", "VENDOR_PFX_PASSWORD",
                    env=dict(self.env, VENDOR_PFX_PASSWORD="not it"))
        self.assertNotEqual(wrong.returncode, 0)
        self.assertNotIn("not it", wrong.stdout + wrong.stderr)


if __name__ == "__main__":
    unittest.main()
