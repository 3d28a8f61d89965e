// How well list steps keep their schedule over a realistic link: the
// simulated board takes 125 us a request, as a high-speed USB control
// transfer does. For each case, the deviation of every LDAC pulse from its
// scheduled time, median and 99th percentile, and the largest.
//
//   list_timing [STEPS]    (default 1000; QT_QPA_PLATFORM=offscreen)
//
// Run it on an idle machine, then with load beside it (bench/list_timing.sh).
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_window.h"
#include "interpreter.h"
#include "sequence_runner.h"
#include "window_operations.h"

namespace {

// One list over channels 0..channels-1 of a KT4420, steps points, dwell
// ("MIN" or seconds); prints the deviations.
void runCase(BenchWindow& bench, int channels, int steps, const std::string& dwell) {
    kteval::ui::WindowOperations ops(bench.window, true);
    kteval::ui::SequenceRunner runner(bench.window);
    ops.setSequenceRunner(&runner);
    kteval::remote::Interpreter client(ops);
    client.executeLine(":ABOR");
    for (int n = 0; n < channels; ++n) {
        // In pieces of 500 points, each well inside a line.
        for (int first = 0; first < steps; first += 500) {
            std::string line =
                ":DAC" + std::to_string(n) + (first ? ":LIST:CODE:APP " : ":LIST:CODE ");
            for (int k = first; k < std::min(steps, first + 500); ++k) {
                line += (k > first ? "," : "") + std::to_string(1000 + (k * 37) % 5000);
            }
            client.executeLine(line);
        }
    }
    client.executeLine(":LIST:DWEL " + dwell);
    const std::string used = client.executeLine(":LIST:DWEL?").value_or("?");
    client.executeLine(":INIT");
    while (runner.sequencer().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::vector<double> deviations;
    for (const auto& [scheduled, pulse] : runner.listPulses()) {
        deviations.push_back(std::chrono::duration<double, std::micro>(pulse - scheduled).count());
    }
    std::sort(deviations.begin(), deviations.end());
    if (deviations.empty()) {
        std::printf("%2d channels, dwell %s s: no steps (%s)\n", channels, used.c_str(),
                    client.executeLine("SYST:ERR?").value_or("").c_str());
        return;
    }
    const auto at = [&](double q) { return deviations[std::size_t(q * (deviations.size() - 1))]; };
    std::printf(
        "%2d channels, dwell %9s s, %zu steps: median %7.1f us, p99 %7.1f us, max %7.1f us\n",
        channels, used.c_str(), deviations.size(), at(0.5), at(0.99), deviations.back());
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int steps = argc > 1 ? std::stoi(argv[1]) : 1000;
    BenchWindow bench;
    bench.board.setRequestTime(std::chrono::microseconds(125));
    const std::string minimum = "MIN";
    runCase(bench, 2, steps, "0.01");
    runCase(bench, 2, steps, minimum);
    runCase(bench, 40, steps, "0.01");
    return 0;
}
