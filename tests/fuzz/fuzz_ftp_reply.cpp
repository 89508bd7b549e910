// Reply handling of the FTP client: arbitrary bytes arrive on the control connection (split into
// pieces by the first byte) while a connect-and-list request runs. Nothing may crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fakes/fake_socket.h"
#include "web/ftp/ftp_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 64;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  vr::fakes::FakeSocketService service;
  service.on_create = [](vr::fakes::FakeSocketState& s) { s.greeting = "220 hi\r\n"; };
  vr::ftp::TCustomFtpCli client(service);
  client.SetHostName("h");
  client.SetUserName("u");
  client.SetPassWord("p");
  client.SetPassive((data[0] & 0x80) != 0);
  client.SetOptions((data[0] & 0x40) != 0 ? vr::ftp::ftpAcceptLF : 0u);
  client.SetDisplayFileFlag(true);
  client.OnError = [](const std::string&) {};
  client.DirectoryAsync();
  service.FakeLoop().RunPending();
  for (size_t pos = 0; pos < bytes.size(); pos += piece) {
    // Feed the control connection and, once one exists, the data connection too.
    for (const auto& socket : service.Sockets()) {
      socket->Feed(bytes.substr(pos, piece));
    }
    service.FakeLoop().RunPending(10000);
  }
  for (const auto& socket : service.Sockets()) socket->PeerClose();
  service.FakeLoop().RunPending(10000);
  client.Abort();
  service.FakeLoop().RunPending(10000);
  return 0;
}
