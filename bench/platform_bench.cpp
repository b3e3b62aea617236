// Message delivery costs: a SendMessageW round trip to a window procedure on the UI thread, the
// same from another thread (queued, handled by the UI thread's pump), and PostMessageW plus
// dispatch.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "platform/mv_platform.h"
#include "platform/windows.h"

namespace {

LRESULT BenchProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER) return static_cast<LRESULT>(wParam + 1);
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

HWND g_window = nullptr;

void SetUpPlatform() {
    if (g_window != nullptr) return;
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    MvPlatformInit(options);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BenchProc;
    wc.lpszClassName = L"BenchProbe";
    RegisterClassW(&wc);
    g_window = CreateWindowExW(0, L"BenchProbe", L"bench", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    MvPumpMessages();
}

void BM_SendMessageSameThread(benchmark::State& state) {
    SetUpPlatform();
    WPARAM value = 0;
    for (auto _ : state) {
        value = static_cast<WPARAM>(SendMessageW(g_window, WM_USER, value, 0));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SendMessageSameThread);

void BM_SendMessageFromAnotherThread(benchmark::State& state) {
    SetUpPlatform();
    std::atomic<bool> stop{false};
    std::atomic<long> handled{0};
    std::atomic<bool> finished{false};
    std::thread sender([&] {
        WPARAM value = 0;
        while (!stop) {
            value = static_cast<WPARAM>(SendMessageW(g_window, WM_USER, value, 0));
            ++handled;
        }
        finished = true;
    });
    long before = handled.load();
    for (auto _ : state) {
        // One pump handles whatever the sender queued meanwhile; count messages, not pumps.
        long start = handled.load();
        while (handled.load() == start) MvPumpMessages();
    }
    state.SetItemsProcessed(handled.load() - before);
    stop = true;
    while (!finished) MvPumpMessages();
    sender.join();
}
BENCHMARK(BM_SendMessageFromAnotherThread)->UseRealTime();

void BM_PostAndDispatch(benchmark::State& state) {
    SetUpPlatform();
    for (auto _ : state) {
        PostMessageW(g_window, WM_USER, 1, 0);
        MvPumpMessages();
    }
}
BENCHMARK(BM_PostAndDispatch);

}  // namespace

BENCHMARK_MAIN();
