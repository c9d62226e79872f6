#!/usr/bin/env python3
"""Certificates for the HTTPS tests, made once into a folder and kept there.

  tls_certs.py make --dir DIR --state STATE

DIR receives a test root (root.der and root.pem, to be trusted by the test prefix and by
native tools) and, for 127.0.0.1, four
server certificates with their keys (NAME.pem, NAME.key): "valid" (issued by the root),
"wronghost" (issued by the root for another host name), "expired" (issued by the root, expired
a year ago) and "untrusted" (issued by a second root nobody trusts). An existing complete set is
kept, so that the root a prefix already trusts stays the one in use. Done is reported by the
file STATE/made, a failure by STATE/failed (a Windows test under Wine cannot read our exit
code). Needs Debian's python3-cryptography.
"""
import argparse
import datetime
import ipaddress
import os
import sys
import traceback

from host_control import prepare_state, write_atomically

NAMES = ("valid", "wronghost", "expired", "untrusted")


def make(directory):
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import rsa
    from cryptography.x509.oid import NameOID

    now = datetime.datetime.utcnow()
    day = datetime.timedelta(days=1)

    def key():
        return rsa.generate_private_key(public_exponent=65537, key_size=2048)

    def name(common):
        return x509.Name([x509.NameAttribute(NameOID.ORGANIZATION_NAME, "Dravix test"),
                          x509.NameAttribute(NameOID.COMMON_NAME, common)])

    def root(common):
        private = key()
        cert = (x509.CertificateBuilder().subject_name(name(common)).issuer_name(name(common))
                .public_key(private.public_key()).serial_number(x509.random_serial_number())
                .not_valid_before(now - day).not_valid_after(now + 3650 * day)
                .add_extension(x509.BasicConstraints(ca=True, path_length=0), critical=True)
                .add_extension(x509.KeyUsage(False, False, False, False, False, True, True, False, False), critical=True)
                .sign(private, hashes.SHA256()))
        return private, cert

    def server(issuer_key, issuer, sans, before, after):
        private = key()
        cert = (x509.CertificateBuilder().subject_name(name(str(sans[0].value))).issuer_name(issuer.subject)
                .public_key(private.public_key()).serial_number(x509.random_serial_number())
                .not_valid_before(before).not_valid_after(after)
                .add_extension(x509.SubjectAlternativeName(sans), critical=False)
                .add_extension(x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.SERVER_AUTH]), critical=False)
                .sign(issuer_key, hashes.SHA256()))
        return private, cert

    local = [x509.IPAddress(ipaddress.ip_address("127.0.0.1")), x509.DNSName("localhost")]
    root_key, root_cert = root("Dravix test root")
    other_key, other_cert = root("Dravix untrusted root")
    made = {
        "valid": server(root_key, root_cert, local, now - day, now + 825 * day),
        "wronghost": server(root_key, root_cert, [x509.DNSName("wrong.invalid")], now - day, now + 825 * day),
        "expired": server(root_key, root_cert, local, now - 730 * day, now - 365 * day),
        "untrusted": server(other_key, other_cert, local, now - day, now + 825 * day),
    }
    os.makedirs(directory, exist_ok=True)
    for label, (private, cert) in made.items():
        with open(os.path.join(directory, label + ".key"), "wb") as f:
            f.write(private.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.TraditionalOpenSSL,
                                          serialization.NoEncryption()))
        with open(os.path.join(directory, label + ".pem"), "wb") as f:
            f.write(cert.public_bytes(serialization.Encoding.PEM))
    with open(os.path.join(directory, "root.der"), "wb") as f:
        f.write(root_cert.public_bytes(serialization.Encoding.DER))
    with open(os.path.join(directory, "root.pem"), "wb") as f:
        f.write(root_cert.public_bytes(serialization.Encoding.PEM))


def complete(directory):
    files = ["root.der", "root.pem"] + [n + ext for n in NAMES for ext in (".pem", ".key")]
    return all(os.path.exists(os.path.join(directory, f)) for f in files)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["make"])
    parser.add_argument("--dir", required=True)
    parser.add_argument("--state", required=True)
    args = parser.parse_args()
    state = prepare_state(args.state, ("made", "failed"))
    try:
        if not complete(args.dir):
            make(args.dir)
    except Exception:  # reported through the state folder: the caller cannot see our output
        write_atomically(os.path.join(state, "failed"), traceback.format_exc())
        return 1
    write_atomically(os.path.join(state, "made"), args.dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
