// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks share: test pictures that compress like photographs, running
// a peer program, and timing contestants round by round.
#include "imageview/Bitmap.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace quillo::bench {

// Smooth colour fields with grain, so it compresses like a photograph, not like noise.
inline TBitmap PhotoLike(int w, int h, int grain, unsigned seed)
{
    TBitmap b(w, h, 24);
    std::mt19937 rng(seed);
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < h; ++y) {
        std::uint8_t *p = b.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int n = grain ? static_cast<int>(rng() % (2 * grain + 1)) - grain : 0;
            p[0] = clamp((x * 255) / w + n);
            p[1] = clamp((y * 255) / h + n);
            p[2] = clamp(((x + y) / 7) % 256 + n);
        }
    }
    return b;
}

// Diagonal bands of `band` pixels stepping by `step`, with five bits of noise:
// slow to decode, as a noisy photograph is.
inline TBitmap NoisyBands(int w, int h, unsigned seed, int slope, int band, int step)
{
    TBitmap picture(w, h, 24);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        std::uint8_t *row = picture.ScanLine(y);
        for (int x = 0; x < w * 3; ++x)
            row[x] = static_cast<std::uint8_t>((x / 3 + slope * y) / band * step + (rng() & 31));
    }
    return picture;
}

// Runs a program (found on PATH) with its output thrown away, its errors too when
// `quiet`, and waits for it; any failure ends the benchmark.
inline void Run(const std::vector<std::string> &args, bool quiet = false)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
}

inline double TimeMs(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline int Rounds(int argc, char **argv, int fallback)
{
    return argc > 1 ? std::max(1, std::atoi(argv[1])) : fallback;
}

struct Contestant {
    std::string name;
    std::function<void()> work;
    std::function<void()> prepare = [] {}; // before each timed run, untimed
    std::vector<double> times;

    double Best() const { return *std::min_element(times.begin(), times.end()); }
    double Median() const
    {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// Each round runs every contestant once, in turn, so a busy machine slows them alike.
inline void RunRounds(std::vector<Contestant> &contestants, int rounds)
{
    for (int round = 0; round < rounds; ++round)
        for (Contestant &c : contestants) {
            if (c.prepare)
                c.prepare();
            c.times.push_back(TimeMs(c.work));
        }
}

} // namespace quillo::bench
