// vkd: turns pictures into their text pictures from the command line. It runs the window's own
// Open and Convert path on the same core, so both give the same bytes for the same settings.
//   vkd_options  the command line, checked (pure)
//   vkd_picture  one picture through the core, from a plan made once for the run
//   vkd_batch    the run: the pictures in order, on threads when there are jobs
//   vkd_terminal arguments, language, terminals and consoles
//   vkd_names    names shown safely on a terminal; which names and paths are one file
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/vkd_batch.h"
#include "cli/vkd_names.h"
#include "cli/vkd_options.h"
#include "cli/vkd_picture.h"
#include "cli/vkd_terminal.h"
#include "core/common/language.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include "platform/picture_wic.h"
#endif

#ifndef VKD_VERSION
#define VKD_VERSION "0"
#endif

namespace {

int vkd_main(int argc, char **argv) {
#ifdef _WIN32
    // The text carries its own line ends; the bitmap on stdin is binary.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    picture_wic_install();
#endif
    PicturePlan plan;
    plan.language = terminal_language();
    CliOptions opts;
    std::string error;
    switch (cli_parse(terminal_arguments(argc, argv), opts, error)) {
    case ParseOutcome::help:
        std::fputs(usageLong, stdout);
        return 0;
    case ParseOutcome::version:
        std::printf("vkd (Velkorandite) %s\n", VKD_VERSION);
        return 0;
    case ParseOutcome::usage:
        terminal_write(stderr, "vkd: " + terminal_shown(error) + "\n" + usageShort);
        return exitUsage;
    case ParseOutcome::run:
        break;
    }

    // The terminal's width only for text that goes to it.
    int columns = !opts.output && terminal_is(stdout) ? terminal_columns() : 0;
    std::string message;
    const int refused = picture_plan_make(opts, columns, plan, message);
    if (refused != 0) {
        terminal_write(stderr, message);
        return refused;
    }
    const int outputsRefused = picture_outputs_check(plan, opts.inputs, message);
    if (outputsRefused != 0) {
        terminal_write(stderr, message);
        return outputsRefused;
    }
    return batch_run(plan, opts.inputs, opts.jobs.value_or(batch_default_jobs()),
                     terminal_is(stderr));
}

} // namespace

// Whatever a picture, a font or a settings file makes of the program, it refuses: it never
// ends with the C++ run-time's abort.
int main(int argc, char **argv) {
    try {
        return vkd_main(argc, argv);
    } catch (const std::bad_alloc &) {
        terminal_write(stderr, "vkd: not enough memory; stopped\n");
    } catch (const std::exception &e) {
        terminal_write(stderr, "vkd: stopped (" + terminal_shown(e.what()) + ")\n");
    } catch (...) {
        terminal_write(stderr, "vkd: stopped\n");
    }
    return exitRefused;
}
