// Upload and download of one file over loopback with TFtpClient, in process. The server and the
// file come from the environment (bench/ftp/run.sh sets them):
//   VR_FTP_BENCH_PORT  port of an FTP server on 127.0.0.1 (anonymous, writable)
//   VR_FTP_BENCH_FILE  local file to upload; downloads go next to it
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/qt/socket_qt.h"
#include "web/ftp/ftp_client.h"

namespace {

bool Configure(vr::ftp::TFtpClient& client, benchmark::State& state) {
  const char* port = std::getenv("VR_FTP_BENCH_PORT");
  const char* file = std::getenv("VR_FTP_BENCH_FILE");
  if (port == nullptr || file == nullptr) {
    state.SkipWithError("VR_FTP_BENCH_PORT and VR_FTP_BENCH_FILE are not set");
    return false;
  }
  client.SetHostName("127.0.0.1");
  client.SetPort(port);
  client.SetUserName("anonymous");
  client.SetPassWord("bench@");
  client.SetPassive(true);
  client.SetTimeout(60);
  client.SetHostDirName("/");
  client.SetHostFileName("bench_upload.bin");
  client.SetLocalFileName(file);
  return true;
}

void BM_FtpUpload(benchmark::State& state) {
  vr::platform::qt::QtSocketService sockets;
  vr::ftp::TFtpClient client(sockets);
  if (!Configure(client, state)) return;
  int64_t bytes = 0;
  for (auto _ : state) {
    if (!client.Transmit()) state.SkipWithError(client.ErrorMessage().c_str());
    bytes += client.ByteCount();
  }
  state.SetBytesProcessed(bytes);
}

void BM_FtpDownload(benchmark::State& state) {
  vr::platform::qt::QtSocketService sockets;
  vr::ftp::TFtpClient client(sockets);
  if (!Configure(client, state)) return;
  client.SetLocalFileName(std::string(std::getenv("VR_FTP_BENCH_FILE")) + ".down");
  int64_t bytes = 0;
  for (auto _ : state) {
    if (!client.Receive()) state.SkipWithError(client.ErrorMessage().c_str());
    bytes += client.ByteCount();
  }
  state.SetBytesProcessed(bytes);
}

BENCHMARK(BM_FtpUpload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FtpDownload)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
