// The progress line: its text from the counters and the time, and that a run
// on a terminal adds nothing but the line to the error stream, erased at the end.
#include "common/progress.h"

#include <gtest/gtest.h>

#include <string>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/example_container.h"
#include "testsupport/in_process.h"

namespace dec {
namespace {

TEST(Progress, LineOfCountersAndTime) {
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    const struct {
        ProgressState state;
        double seconds;
        const char* line;
    } cases[] = {
        {{}, 0.0, "0%"},
        {{512, 2048, 0, 0}, 0.5, "25%, 512 B of 2.0 KiB"},  // no time left in the first second
        {{1023, 1024, 0, 0}, 2.0, "99%, 1023 B of 1.0 KiB, 0:01 left"},
        {{1288490189, 4 * kGiB, 3, 12}, 10.0, "30%, 1.2 GiB of 4.0 GiB, tag 3 of 12, 0:24 left"},
        {{5 * kGiB << 10, 6 * kGiB << 10, 1, 1}, 600.0, "83%, 5.0 TiB of 6.0 TiB, tag 1 of 1, 2:00 left"},
        {{1, 100, 0, 0}, 60.0, "1%, 1 B of 100 B, 1:39:00 left"},
        {{3000, 2048, 0, 0}, 2.0, "100%, 2.0 KiB of 2.0 KiB, 0:00 left"},
        {{0, 0, 3, 4}, 100.0, "50%, tag 3 of 4, 1:40 left"},  // by tag
        {{0, 0, 1, 4}, 100.0, "0%, tag 1 of 4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(progress_line(c.state, c.seconds), c.line);
    }
}

// The line is drawn at the start and erased at the end. A terminal narrower
// than the line gets it cut to its width less one column: a line that fills
// the last column would wrap, and each redraw would leave a fragment behind.
// A width of 0 (unknown) cuts nothing.
TEST(Progress, DrawnAtTheStartErasedAtTheEndWithinTheTerminal) {
    testing::FakePlatform sys;
    sys.capture_console = sys.stderr_terminal = true;
    for (int columns : {0, 12, 2, 80}) {
        sys.console_err.clear();
        sys.terminal_columns_of_stderr = columns;
        Progress progress;
        progress.add_total(2048);
        progress.add_done(1024);
        progress.start(sys);
        progress.stop();
        const std::string line = "50%, 1.0 KiB of 2.0 KiB";
        const std::string drawn = line.substr(0, columns > 0 ? static_cast<size_t>(columns - 1) : line.size());
        EXPECT_EQ(sys.console_err, "\r" + drawn + "\033[K\r\033[K") << columns;
    }
}

// The error text without the progress drawings ("\r" line "\033[K") and
// erasures ("\r\033[K"); "(unerased)" where a drawing is followed by other
// text than a redrawing or an erasure.
std::string without_drawings(const std::string& err) {
    std::string rest;
    size_t i = 0;
    while (i < err.size()) {
        const size_t end = err[i] == '\r' ? err.find("\033[K", i) : std::string::npos;
        if (end == std::string::npos || err.find_first_of("\r\033", i + 1) < end) {
            rest += err[i++];
            continue;
        }
        const bool drawing = end > i + 1;
        i = end + 3;
        if (drawing && (i == err.size() || err[i] != '\r')) {
            rest += "(unerased)";
        }
    }
    return rest;
}

TEST(Progress, TerminalGetsTheLineOnTheErrorStreamOnly) {
    testing::TempDir dir;
    testing::write_bytes(dir.file("logger.bin"), testing::build_gen5_example({.tags_v10 = 3}));
    const std::vector<std::string> args = {"-c", "3", "-f", dir.file("logger.bin"), "-d", dir.path()};
    // On a full disk the error lines of the lost outputs come between the drawings.
    for (const bool full_disk : {false, true}) {
        const auto run = [&](bool terminal) {
            return testing::run_in_process(args, 2, [&](testing::FakePlatform& p) {
                p.stderr_terminal = terminal;
                if (full_disk) {
                    p.write_hook = [](int, size_t) -> ssize_t {
                        errno = ENOSPC;
                        return -1;
                    };
                }
            });
        };
        const testing::InProcessResult plain = run(false), shown = run(true);
        EXPECT_EQ(shown.exit_code, plain.exit_code);
        EXPECT_EQ(shown.out, plain.out);
        EXPECT_EQ(plain.err.empty(), !full_disk);
        EXPECT_EQ(shown.err.substr(0, 3), "\r0%");
        // Every drawing is erased before other text and at the end; without
        // them the error text is what it is without a terminal.
        EXPECT_EQ(without_drawings(shown.err), plain.err);
    }
}

}  // namespace
}  // namespace dec
