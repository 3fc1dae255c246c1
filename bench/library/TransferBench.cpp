// Host-side cost of the transfers against the simulated keyboard without latency: what
// the library and the report path cost per report, the keyboard's own time left out.
#include "library/interface/CZT40HWI.h"
#include "simulator/SimulatorBackend.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// Every slot assigned: a mix of singles, combinations, emulations and macros (some of
// several reports), as a full profile would be.
void fillImage(CZT40HWI& hwi) {
    hwi.prepare();
    for (int layer = 0; layer < 2; ++layer)
        for (int key = 1; key <= 108; ++key) {
            std::vector<int> a;
            switch (key % 4) {
            case 0:
                a = {0, 1, 4 + key % 90};
                break;
            case 1:
                a = {0, 3, 0xE0, 0xE1, 4};
                break;
            case 2:
                a = {1, 100, 4, 4, 5, 6, 7};
                break;
            default:
                a = {2, 0, 1, 1, 0, 20};
                for (int i = 0; i < 20; ++i) {
                    a.push_back(4 + i);
                    a.push_back(30);
                }
            }
            hwi.setKeyConfiguration(layer, key, a.data(), static_cast<int>(a.size()));
        }
}

struct Setup {
    std::shared_ptr<SimulatorBackend> sim = std::make_shared<SimulatorBackend>(1);
    CZT40HWI hwi;
    Setup() {
        setHidBackend(sim);
        hwi.__createDev();
        fillImage(hwi);
    }
    ~Setup() {
        hwi.__closeDev();
        setHidBackend(nullptr);
    }
    std::size_t reports() const { return sim->writtenReports().size() + sim->readReports().size(); }
};

void BM_WriteDefinitions(benchmark::State& state) {
    Setup s;
    std::size_t reports = 0;
    for (auto _ : state) {
        s.sim->clearReportLog();
        benchmark::DoNotOptimize(s.hwi.writeKeyConfigurationToDev(0));
        reports += s.reports();
    }
    state.counters["reports/s"] =
        benchmark::Counter(static_cast<double>(reports), benchmark::Counter::kIsRate);
    state.counters["reports/transfer"] = static_cast<double>(reports) / state.iterations();
}
BENCHMARK(BM_WriteDefinitions)->Unit(benchmark::kMicrosecond);

void BM_ReadDefinitions(benchmark::State& state) {
    Setup s;
    s.hwi.writeKeyConfigurationToDev(0);
    std::size_t reports = 0;
    for (auto _ : state) {
        s.sim->clearReportLog();
        benchmark::DoNotOptimize(s.hwi.readKeyDefinationFromDev(0));
        reports += s.reports();
    }
    state.counters["reports/s"] =
        benchmark::Counter(static_cast<double>(reports), benchmark::Counter::kIsRate);
    state.counters["reports/transfer"] = static_cast<double>(reports) / state.iterations();
}
BENCHMARK(BM_ReadDefinitions)->Unit(benchmark::kMicrosecond);

void BM_ReadDefinitionsAndGetAll(benchmark::State& state) {
    Setup s;
    s.hwi.writeKeyConfigurationToDev(0);
    std::vector<int> out(65536);
    for (auto _ : state) {
        s.sim->clearReportLog();
        s.hwi.readKeyDefinationFromDev(0);
        for (int layer = 0; layer < 2; ++layer)
            for (int key = 1; key <= 108; ++key)
                s.hwi.getKeyConfiguration(layer, key, out.data(), 65536);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ReadDefinitionsAndGetAll)->Unit(benchmark::kMicrosecond);

void BM_LightWriteAndRead(benchmark::State& state) {
    Setup s;
    std::vector<int> light(324, 200);
    for (auto _ : state) {
        s.sim->clearReportLog();
        s.hwi.setKeyboardLightArea(light.data());
        benchmark::DoNotOptimize(s.hwi.readKeyLightFromDev());
    }
}
BENCHMARK(BM_LightWriteAndRead)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
