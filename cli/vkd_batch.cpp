#include "cli/vkd_batch.h"

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "cli/vkd_names.h"
#include "cli/vkd_terminal.h"
#include "core/library/velkorandite.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

namespace {

// "vkd: 12 of 200 pictures" on standard error, kept as its last line while output goes on.
struct Progress {
    bool shown = false;
    size_t width = 0;
    void clear() {
        if (!shown)
            return;
        terminal_write(stderr, "\r" + std::string(width, ' ') + "\r");
        std::fflush(stderr);
        shown = false;
    }
    void show(size_t done, size_t count) {
        const std::string line =
            "vkd: " + std::to_string(done) + " of " + std::to_string(count) + " pictures";
        width = line.size();
        terminal_write(stderr, "\r" + line);
        std::fflush(stderr);
        shown = true;
    }
};

// Writes the pictures' results in order as they become due.
struct Writer {
    const PicturePlan &plan;
    const std::vector<std::string> &inputs;
    bool progressShown;
    Progress progress;
    bool anyRefused = false, headerWritten = false, failed = false;
    size_t next = 0;

    // False when standard output failed: nothing more is written.
    bool write(const PictureResult &result) {
        const std::string lineEnd = plan.lineEnd == LineEnd::lf ? "\n" : "\r\n";
        progress.clear();
        anyRefused |= result.refused;
        if (!result.messages.empty()) {
            terminal_write(stderr, result.messages);
            std::fflush(stderr);
        }
        if (!result.refused && inputs.size() > 1 && !plan.output) {
            terminal_write(stdout, std::string(headerWritten ? lineEnd : "") + "==> " +
                                       terminal_shown(picture_name(inputs[next])) + " <==" + lineEnd);
            headerWritten = true;
        }
        std::fwrite(result.out.data(), 1, result.out.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            terminal_write(stderr,
                           message_line(plan.language, "standard output", "cannot write",
                                        reason_of(plan.language, errno)));
            failed = true;
            return false;
        }
        ++next;
        if (progressShown && next < inputs.size())
            progress.show(next, inputs.size());
        return true;
    }
};

// A picture whose conversion failed on the way (out of memory, any exception): refused with
// what went wrong, the others go on.
PictureResult picture_failed(const PicturePlan &plan, const std::string &input,
                             const std::string &why) {
    PictureResult result;
    result.refused = true;
    result.messages = message_line(plan.language, picture_name(input), "not converted: " + why);
    return result;
}

} // namespace

int batch_default_jobs() {
    int n = 0;
#ifdef _WIN32
    DWORD_PTR mine = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &mine, &system))
        n = int(std::bitset<8 * sizeof mine>(mine).count());
#else
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        n = CPU_COUNT(&set);
#endif
    if (n <= 0)
        n = int(std::thread::hardware_concurrency());
    return std::clamp(n, 1, 64);
}

int batch_run(const PicturePlan &plan, const std::vector<std::string> &inputs, int jobs,
              bool progressWanted) {
    Writer writer{plan, inputs, progressWanted && inputs.size() > batchProgressAfter, {}};
    std::vector<PictureResult> results(inputs.size());
    velkorandite::convert_batch(
        inputs.size(), jobs,
        [&](velkorandite::Converter &converter, size_t i) {
            picture_convert(converter, plan, inputs[i], results[i]);
        },
        [&](size_t i, const std::string &error) {
            PictureResult result =
                error.empty() ? std::move(results[i]) : picture_failed(plan, inputs[i], error);
            results[i] = PictureResult{};
            return writer.write(result);
        });
    writer.progress.clear();
    return writer.failed || writer.anyRefused ? exitRefused : 0;
}
