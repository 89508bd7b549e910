#pragma once
// pyftpdlib with explicit FTP over TLS for tests: a server script that makes its own self-signed
// certificate (python3 OpenSSL) on first use and writes the certificate's SHA-256 fingerprint
// beside it. Modes: "tls" (TLS_FTPHandler; TLS demanded on control and data connections) and
// "plain" (FTPHandler: AUTH TLS is an unknown command). Every command line goes to the log, and
// for each protected data connection the line "data-tls reused=N" tells whether it resumed the
// control connection's session.

#include <fstream>
#include <string>

namespace vr::test_support {

inline constexpr const char* kFtpsServerBody = R"PY(
import os, sys
from OpenSSL import SSL, crypto
from OpenSSL._util import lib as _ssl_lib
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler, TLS_DTPHandler
from pyftpdlib.servers import FTPServer

root, limit, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
log = open(log_path, "a", buffering=1)

if not os.path.exists(CERT):
    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.get_subject().CN = "veldrimon-test"
    cert.set_serial_number(int.from_bytes(os.urandom(8), "big"))
    cert.gmtime_adj_notBefore(-60)
    cert.gmtime_adj_notAfter(86400)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.sign(key, "sha256")
    with open(CERT + ".tmp", "wb") as out:
        out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
        out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
    os.rename(CERT + ".tmp", CERT)
    with open(CERT + ".sha256", "w") as out:
        out.write(cert.digest("sha256").decode())

auth = DummyAuthorizer()
auth.add_user("user", "pw", root, perm="elradfmwMT")

class Dtp(TLS_DTPHandler):
    def handle_ssl_established(self):
        log.write("data-tls reused=%d\n" % _ssl_lib.SSL_session_reused(self.socket._ssl))
        return TLS_DTPHandler.handle_ssl_established(self)

Base = FTPHandler if MODE == "plain" else TLS_FTPHandler
class Handler(Base):
    def pre_process_command(self, line, cmd, arg):
        log.write(repr(line) + "\n")
        return Base.pre_process_command(self, line, cmd, arg)

Handler.authorizer = auth
Handler.permit_foreign_addresses = True
if MODE != "plain":
    ctx = SSL.Context(SSL.TLS_SERVER_METHOD)
    ctx.set_options(SSL.OP_NO_SSLv2 | SSL.OP_NO_SSLv3)
    ctx.use_certificate_chain_file(CERT)
    ctx.use_privatekey_file(CERT)
    ctx.set_session_id(b"veldrimon-test")
    Handler.ssl_context = ctx
    Handler.dtp_handler = Dtp
    Handler.tls_control_required = True
    Handler.tls_data_required = True
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

// Writes the script for `mode` ("tls" or "plain") with its certificate at `cert` to `path`.
inline void WriteFtpsServerScript(const std::string& path, const std::string& mode,
                                  const std::string& cert) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "MODE = '" << mode << "'\nCERT = '" << cert << "'\n" << kFtpsServerBody;
}

// The fingerprint the script wrote beside `cert` ("AB:CD:...").
inline std::string FtpsCertificateFingerprint(const std::string& cert) {
  std::ifstream in(cert + ".sha256");
  std::string text;
  std::getline(in, text);
  return text;
}

}  // namespace vr::test_support
