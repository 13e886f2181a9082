// Throughput of the codecs on the sizes the terminal feeds them: the CRC over
// large sent and received blocks, the conversions over a full receive pane
// (100,000 bytes, redrawn up to every 50 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/code_page.h"
#include "common/codecs.h"

namespace {

constexpr std::size_t kPaneBytes = 100000;

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
  return bytes;
}

// Over 1 MiB at once, and in the blocks the port's reader delivers (a serial
// line gives a few bytes at a time, a pseudo-terminal up to 4 KiB).
void BM_Crc32Update(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = RandomBytes(1 << 20);
  const std::size_t block = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < bytes.size(); at += block)
      crc = zephyn::Crc32Update(crc, bytes.data() + at,
                                static_cast<std::uint32_t>(std::min(block, bytes.size() - at)));
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Crc32Update)->Arg(1 << 20)->Arg(4096)->Arg(64);

void BM_HexToBytes(benchmark::State& state) {
  // What the hex view shows: "XX " per byte.
  const std::vector<std::uint8_t> bytes = RandomBytes(kPaneBytes / 3);
  const std::string hex = zephyn::BytesToHex(bytes.data(), bytes.size());
  for (auto _ : state) benchmark::DoNotOptimize(zephyn::HexToBytes(hex));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * hex.size()));
}
BENCHMARK(BM_HexToBytes);

void BM_BytesToHex(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = RandomBytes(kPaneBytes);
  for (auto _ : state) benchmark::DoNotOptimize(zephyn::BytesToHex(bytes.data(), bytes.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_BytesToHex);

void BM_BytesToText(benchmark::State& state) {
  // Random bytes: about one in 256 is a zero byte to drop.
  const std::vector<std::uint8_t> bytes = RandomBytes(kPaneBytes);
  for (auto _ : state) benchmark::DoNotOptimize(zephyn::BytesToText(bytes.data(), bytes.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_BytesToText);

void BM_Utf8ToGbk(benchmark::State& state) {
  std::string utf8;
  while (utf8.size() < kPaneBytes) utf8 += "AT+NAME=串口模块\r\n+NAME=测试设备 OK\r\n";
  utf8.resize(kPaneBytes);  // may cut the last character: one replacement
  for (auto _ : state) {
    std::string text = utf8;
    zephyn::Utf8ToGbk(text);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_Utf8ToGbk);

}  // namespace

BENCHMARK_MAIN();
