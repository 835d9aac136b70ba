// A run of vkd over its pictures: each converted from the same plan, their texts and messages
// written in the order given, whatever order they finish in. With more than one job the
// pictures are converted on threads, each with a converter of its own (core/library/velkorandite.h); a
// picture whose conversion fails (out of memory, any exception) is refused with the reason and
// the others go on.
#pragma once
#include <string>
#include <vector>

#include "cli/vkd_picture.h"

// Pictures above this many get a progress line on standard error when it is a terminal.
constexpr size_t batchProgressAfter = 5;

// Converts inputs (jobs: threads; 1 converts here) and writes to standard output the
// texts (each after a line "==> NAME <==" when there are several and no -o, the header lines
// after the first preceded by an empty line, as head does) and to standard error the messages.
// Returns 0, or exitRefused when any picture was refused or standard output failed.
int batch_run(const PicturePlan &plan, const std::vector<std::string> &inputs, int jobs,
              bool progress);

// The processors this process may run on (its affinity, not all of the machine's), 1 to 64: the
// default number of jobs.
int batch_default_jobs();
