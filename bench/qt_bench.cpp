// The editor on Qt, measured in the process:
//   bench_qt keys FILE [wrap] [idle] [plain]
//                               key press event -> end of the repaint it causes, typing
//                               in the middle of FILE; median and 99th percentile (µs);
//                               "wrap" turns word wrap on; with "idle" each key comes after
//                               an idle step and a pause of 3 ms, so a highlighter's
//                               background parse is running; "plain" switches syntax
//                               highlighting off; with "struc" a structure parse of the
//                               document runs in the background while the keys are typed
//                               (asked for again every 200 keys, its copy of the lines
//                               taken before the typing goes on, outside the timing)
//   bench_qt pages FILE         1000 page-downs through key events, total and per page
//   bench_qt start FILE         main window, FILE opened, until its editor first painted;
//                               prints the milliseconds since the process started
// Run under the offscreen platform (QT_QPA_PLATFORM=offscreen) or Xvfb; bench/qt_bench.py
// drives the start-up figure next to vim.
#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "shell/ProgramFolder.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/uniApp.h"
#include "structure/qt/uniStrucFrame.h"

namespace {

using TClock = std::chrono::steady_clock;

double Micros(TClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Seconds since the process started, from /proc/self/stat's start time.
double ProcessAgeMs() {
    std::ifstream stat("/proc/self/stat");
    std::string field;
    std::vector<std::string> fields;
    while (stat >> field) {
        fields.push_back(field);
    }
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    if (fields.size() < 22) {
        return -1;
    }
    const double start = std::stod(fields[21]) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (uptime - start) * 1000.0;
}

// Counts the paints of one widget.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QWidget& w) { w.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
            if (qEnvironmentVariableIsSet("BENCH_REGIONS")) {
                for (const QRect& r : static_cast<QPaintEvent*>(e)->region()) {
                    std::fprintf(stderr, "paint %d,%d %dx%d\n", r.x(), r.y(), r.width(),
                                 r.height());
                }
                std::fprintf(stderr, "--\n");
            }
        }
        return false;
    }
};

void Report(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<size_t>(q * samples.size()))];
    };
    std::printf("%s: n=%zu median %.1f us, p99 %.1f us, max %.1f us\n", what, samples.size(),
                at(0.5), at(0.99), samples.back());
}

int Keys(TPMMainForm& main, bool wrap, bool idle, bool plain, bool struc) {
    TMDIChild* child = main.ActiveChild();
    TuniMemoWidget& w = child->MemoWidget();
    if (wrap) {
        w.Memo().SetWordWrap(true);
    }
    if (plain) {
        w.Memo().SetColorerEnabled(false);
    }
    w.Memo().GotoPosition(10, w.Memo().Lines().Count() / 2);
    QApplication::processEvents();
    TPaintWatch watch(*w.viewport());
    std::vector<double> samples;
    std::vector<double> handled;
    std::vector<double> asked;    // the main thread's part of asking for a pass
    std::vector<double> during;   // keys typed while a structure pass ran
    std::vector<double> arrivals; // keys whose event-loop turn showed a finished pass's tree
    std::vector<double> slices;   // turns of the event loop that copied lines for a pass
    for (int i = 0; i < 2000; ++i) {
        if (struc && i % 200 == 0) {
            // The copy of the lines is taken in slices between turns of the event loop; an
            // edit drops it, so it is let finish before the typing goes on.
            const auto a0 = TClock::now();
            child->Structure().Refresh();
            asked.push_back(Micros(TClock::now() - a0));
            while (child->Structure().Copying()) {
                const auto s0 = TClock::now();
                QApplication::processEvents();
                slices.push_back(Micros(TClock::now() - s0));
            }
        }
        const bool parsing = struc && child->Structure().Parsing();
        const int passes = struc ? child->Structure().Passes() : 0;
        const bool erase = i % 10 == 9;
        QKeyEvent press(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_A, Qt::NoModifier,
                        erase ? QStringLiteral("\b") : QStringLiteral("a"));
        const auto t0 = TClock::now();
        QApplication::sendEvent(&w, &press);
        handled.push_back(Micros(TClock::now() - t0));
        // The editor painted into its image; the changed region reaches the screen when
        // the event loop turns.
        QApplication::processEvents();
        samples.push_back(Micros(TClock::now() - t0));
        if (struc && child->Structure().Passes() != passes) {
            arrivals.push_back(samples.back());
        } else if (parsing) {
            during.push_back(samples.back());
        }
        if (idle) {
            w.Memo().IdleStep(false, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    }
    Report(wrap ? "keystroke to paint, wrap on" : "keystroke to paint, wrap off", samples);
    if (struc) {
        if (!during.empty()) {
            Report("  keys typed while a structure pass ran", during);
        }
        if (!arrivals.empty()) {
            Report("  keys whose turn showed a finished pass's tree", arrivals);
        }
        Report("  asking for a pass (main thread)", asked);
        Report("  turns that copied the lines for a pass", slices);
    }
    Report("  of which the key event (editor, its image, the status bar)", handled);
    return 0;
}

int Pages(TPMMainForm& main) {
    TuniMemoWidget& w = main.ActiveChild()->MemoWidget();
    w.Memo().GotoPosition(0, 0);
    QApplication::processEvents();
    std::vector<double> samples;
    const auto start = TClock::now();
    for (int i = 0; i < 1000; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        const auto t0 = TClock::now();
        QApplication::sendEvent(&w, &press);
        QApplication::processEvents();
        samples.push_back(Micros(TClock::now() - t0));
    }
    std::printf("1000 page-downs: %.1f ms (top line now %d)\n",
                Micros(TClock::now() - start) / 1000.0, w.Memo().TopLine());
    Report("page-down to paint", samples);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: bench_qt keys|pages|start FILE [wrap] [idle] [plain] [struc]\n");
        return 1;
    }
    const std::string mode = argv[1];
    const std::string file = argv[2];
    const auto flag = [&](const char* name) {
        return std::find(argv + 3, argv + argc, std::string(name)) != argv + argc;
    };
    const bool wrap = flag("wrap");
    const bool idle = flag("idle");
    const bool plain = flag("plain");
    const bool struc = flag("struc");
    TuniApplication app(argc, argv);
    TPMMainForm main(FindProgramFolder());
    main.resize(1000, 800);
    main.show();
    if (mode == "start") {
        main.OpenCommandLine({file});
        TPaintWatch watch(*main.ActiveChild()->MemoWidget().viewport());
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (watch.paints > 0) {
                std::printf("start to first paint: %.0f ms\n", ProcessAgeMs());
                std::fflush(stdout);
                std::_Exit(0);
            }
        });
        poll.start(1);
        return TuniApplication::exec();
    }
    main.OpenCommandLine({file});
    QApplication::processEvents();
    const int rc = mode == "keys"    ? Keys(main, wrap, idle, plain, struc)
                   : mode == "pages" ? Pages(main)
                                     : 1;
    std::fflush(stdout);
    std::_Exit(rc);
}
