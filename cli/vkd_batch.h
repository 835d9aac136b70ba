// A run of vkd over its pictures: each converted from the same plan, their texts and messages
// written in the order given, whatever order they finish in.
//
// With more than one job the pictures are converted by worker processes: the core keeps its
// settings, geometry and surfaces process-wide, so conversions in one process cannot run side by
// side. The first process hands out pictures one at a time (by their place in the list, a
// worker holding at most two), each worker sends back one frame a picture (its place, refused
// or not, the bytes for standard output, the messages), and the first process, a thread
// reading each worker, writes them in order as they become due. A worker that ends before
// sending a frame leaves its pictures refused with a message. On Linux the workers are forks of
// the first process; on Windows the program started again with the same command line and
// VKD_WORKER in its environment.
#pragma once
#include <string>
#include <vector>

#include "cli/vkd_picture.h"

// Pictures above this many get a progress line on standard error when it is a terminal.
constexpr size_t batchProgressAfter = 5;

// Converts inputs (jobs: worker processes; 1 converts here) and writes to standard output the
// texts (each after a line "==> NAME <==" when there are several and no -o, the header lines
// after the first preceded by an empty line, as head does) and to standard error the messages.
// Returns 0, or exitRefused when any picture was refused or standard output failed.
int batch_run(const PicturePlan &plan, const std::vector<std::string> &inputs, int jobs,
              bool progress);

// The machine's processors: the default number of jobs.
int batch_default_jobs();

#ifdef _WIN32
// A worker's channels and the terminal width the first process saw (which the worker's plan
// needs), from VKD_WORKER: false when it is not set. A value that is set but not what the first
// process puts there gives columns -1: the process must stop, never start workers of its own.
bool batch_worker_place(void *&jobs, void *&results, int &columns);

// The worker's part: reads places of pictures from jobs until it ends, and answers each with a
// frame on results.
int batch_worker_run(const PicturePlan &plan, const std::vector<std::string> &inputs, void *jobs,
                     void *results);
#endif
