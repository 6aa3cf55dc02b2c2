"""A certificate authority made for a test run (kept in a folder as ca.der and
ca-key.pem, for the test to trust), and server certificates it signs: for localhost
(good, also for 127.0.0.1), for another name (other) or out of date (expired).

usage: test_ca.py CA_DIR   (makes the authority there)"""
import datetime
import ipaddress
import os
import ssl
import sys

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID


def _name(text):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, text)])


def authority(ca_folder):
    """The authority kept in ca_folder (ca.der, ca-key.pem), made there when missing."""
    cert_file, key_file = os.path.join(ca_folder, "ca.der"), os.path.join(ca_folder, "ca-key.pem")
    if os.path.exists(cert_file) and os.path.exists(key_file):
        with open(cert_file, "rb") as f:
            ca = x509.load_der_x509_certificate(f.read())
        with open(key_file, "rb") as f:
            return ca, serialization.load_pem_private_key(f.read(), None)
    os.makedirs(ca_folder, exist_ok=True)
    now = datetime.datetime.now(datetime.timezone.utc)
    day = datetime.timedelta(days=1)
    ca_key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    ca = (x509.CertificateBuilder().subject_name(_name("Vocatrack Test CA")).issuer_name(_name("Vocatrack Test CA"))
          .public_key(ca_key.public_key()).serial_number(x509.random_serial_number())
          .not_valid_before(now - day).not_valid_after(now + 30 * day)
          .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
          .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False, key_encipherment=False,
                                       data_encipherment=False, key_agreement=False, key_cert_sign=True,
                                       crl_sign=True, encipher_only=False, decipher_only=False), critical=True)
          .sign(ca_key, hashes.SHA256()))
    with open(key_file + ".tmp", "wb") as f:
        f.write(ca_key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                     serialization.NoEncryption()))
    os.rename(key_file + ".tmp", key_file)
    with open(cert_file + ".tmp", "wb") as f:
        f.write(ca.public_bytes(serialization.Encoding.DER))
    os.rename(cert_file + ".tmp", cert_file)
    return ca, ca_key


def server_context(folder, kind, ca_folder):
    """A server context whose certificate the authority of ca_folder signed."""
    ca, ca_key = authority(ca_folder)
    now = datetime.datetime.now(datetime.timezone.utc)
    day = datetime.timedelta(days=1)
    host = "other.example" if kind == "other" else "localhost"
    if kind == "expired":
        before, after = now - 60 * day, now - 30 * day
    else:
        before, after = now - day, now + 30 * day
    names = [x509.DNSName(host)]
    if kind != "other":
        names.append(x509.IPAddress(ipaddress.ip_address("127.0.0.1")))
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    leaf = (x509.CertificateBuilder().subject_name(_name(host)).issuer_name(ca.subject)
            .public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(before).not_valid_after(after)
            .add_extension(x509.SubjectAlternativeName(names), critical=False)
            .add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.SERVER_AUTH]), critical=False)
            .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
            .sign(ca_key, hashes.SHA256()))
    chain = os.path.join(folder, "server-chain.pem")
    key_file = os.path.join(folder, "server-key.pem")
    with open(chain, "wb") as f:
        f.write(leaf.public_bytes(serialization.Encoding.PEM) + ca.public_bytes(serialization.Encoding.PEM))
    with open(key_file, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(chain, key_file)
    return context


if __name__ == "__main__":
    authority(sys.argv[1])
