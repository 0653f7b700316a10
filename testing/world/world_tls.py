"""A throw-away certificate authority and one server certificate, made with
the openssl command, so that the world can speak HTTPS that clients verify
for real (they are pointed at the CA file; verification is never switched
off)."""

import os
import secrets
import subprocess

# Every name and address the world answers to over HTTPS.
SERVER_NAMES = ["cdn.qel.test", "*.qel.test", "localhost"]


def _openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_test_ca(folder, addresses):
    """Writes ca.pem, server.pem and server.key into `folder` and returns
    their paths. The server certificate names SERVER_NAMES and `addresses`."""
    os.makedirs(folder, exist_ok=True)
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"]
    _openssl("req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem",
             "-days", "3650", "-subj", "/CN=QEL World Test CA",
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    _openssl("req", *ec, "-keyout", "server.key", "-out", "server.csr",
             "-subj", "/CN=" + SERVER_NAMES[0], cwd=folder)
    alt = ["DNS:" + n for n in SERVER_NAMES]
    alt += ["IP:" + a for a in ["127.0.0.1", *addresses]]
    with open(os.path.join(folder, "server.ext"), "w") as ext:
        ext.write("basicConstraints=CA:FALSE\n")
        ext.write("keyUsage=critical,digitalSignature\n")
        ext.write("extendedKeyUsage=serverAuth\n")
        ext.write("subjectAltName=" + ",".join(dict.fromkeys(alt)) + "\n")
    _openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem",
             "-CAkey", "ca.key", "-set_serial", str(secrets.randbits(62)),
             "-days", "825", "-sha256", "-extfile", "server.ext",
             "-out", "server.pem", cwd=folder)
    return {"ca": os.path.join(folder, "ca.pem"),
            "cert": os.path.join(folder, "server.pem"),
            "key": os.path.join(folder, "server.key")}
