// Cost of keeping the desk table: 5,000 desks each heard once, in an order
// that spreads the inserts over the whole table, then one ageing pass that
// removes them all.

#include <benchmark/benchmark.h>

#include <vector>

#include "discovery/desk_table.h"
#include "platform/message_box.h"
#include "platform/tick.h"
#include "platform/winsock.h"

namespace {

constexpr int kDesks = 5000;

uint32_t g_ms = 100000;
uint32_t FakeTicks() {
    return g_ms;
}

std::vector<StationRecord> Desks() {
    std::vector<StationRecord> desks;
    for (int i = 0; i < kDesks; ++i) {
        StationRecord s;
        // 10.x.y.z with the last octet varying slowest in arrival order.
        const uint32_t n = static_cast<uint32_t>(i) * 7919u % 65000u;
        SetStationAddress(s, 10u | ((n & 0xFF) << 8) | ((n >> 8) << 16) | (1u << 24));
        s.SetName("Desk");
        s.type = 1;
        s.softwareVersion = 5500;
        s.protocol = 5500;
        s.displayVersion = 5500;
        s.state = 1;
        desks.push_back(s);
    }
    return desks;
}

void BM_ApplyHeartbeatsThenAge(benchmark::State& state) {
    SetTickSource(&FakeTicks);
    const std::vector<StationRecord> desks = Desks();
    DeskTableActions session;
    for (auto _ : state) {
        DeskTable table(session);
        g_ms += 10000;
        for (const StationRecord& s : desks)
            table.ApplyStation(s);
        g_ms += 4000;
        table.Age();
        benchmark::DoNotOptimize(table.RowCount());
    }
    state.counters["per_heartbeat"] = benchmark::Counter(
        static_cast<double>(kDesks),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    SetTickSource(nullptr);
}
BENCHMARK(BM_ApplyHeartbeatsThenAge)->Unit(benchmark::kMillisecond);

// A refresh of a listed desk: the steady state of a full table.
void BM_RefreshInFullTable(benchmark::State& state) {
    SetTickSource(&FakeTicks);
    const std::vector<StationRecord> desks = Desks();
    DeskTableActions session;
    DeskTable table(session);
    for (const StationRecord& s : desks)
        table.ApplyStation(s);
    size_t i = 0;
    for (auto _ : state) {
        table.ApplyStation(desks[i]);
        i = (i + 1) % desks.size();
    }
    SetTickSource(nullptr);
}
BENCHMARK(BM_RefreshInFullTable);

}  // namespace

BENCHMARK_MAIN();
