// The cost of one "X >>" click on the real main window, offscreen: entry check,
// model, labels, word, simulated board. Prints median, 90th percentile and mean.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_window.h"
#include "frm_main.h"
#include "simulated_board.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchWindow bench;
    kteval::ui::FrmMain& window = bench.window;
    QApplication::processEvents();

    auto* row = window.findChild<QLineEdit*>("txtInput_0");
    auto* button = window.findChild<QPushButton*>("cmdX1A");
    constexpr int kClicks = 20000;
    // Once the handler alone, once with the repaint that follows it.
    for (const bool withRepaint : {false, true}) {
        std::vector<double> micros;
        micros.reserve(kClicks);
        for (int i = 0; i < kClicks; ++i) {
            row->setText(QString::number(i & 0x3FFF, 16));
            QApplication::processEvents();
            const auto start = std::chrono::steady_clock::now();
            button->click();
            if (withRepaint) QApplication::processEvents();
            const auto end = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        std::sort(micros.begin(), micros.end());
        double sum = 0;
        for (double m : micros) sum += m;
        std::printf("X >> click%s, %d clicks: median %.1f us, p90 %.1f us, mean %.1f us\n",
                    withRepaint ? " and repaint" : "", kClicks, micros[micros.size() / 2],
                    micros[micros.size() * 9 / 10], sum / kClicks);
    }
    return bench.board.channel(0).X1A == ((kClicks - 1) & 0x3FFF) ? 0 : 1;
}
