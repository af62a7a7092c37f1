// Tick benchmark: the built saver under Wine, showing one picture per run with an update
// time of 1 ms, against a native reference decode of the same file timed in the same run.
// A tick opens the picture once, so ticks are counted by the file's opens (inotify); the
// time per tick is the median gap between opens after the first ones.
//   tick_bench WINDOWS_BUILD_DIR   (velmarin.scr and seed-images.exe; DISPLAY and WINEPREFIX set,
//                                   scripts/tick-bench.sh provides both)
#include "BenchPictures.h"
#include "tests/common/JpegWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

const int kWarmUpTicks = 3;
const int kMeasuredTicks = 20;
const int kRunSeconds = 40;
const int kReferenceRuns = 7;

typedef std::chrono::steady_clock Clock;

struct BenchPicture {
    const char* name;
    std::string path;
    const char* reference;
    void (*decodeReference)(const std::string& path);
};

pid_t Spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        fprintf(stderr, "cannot start %s\n", argv[0]);
        exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WindowsPath(const std::string& path)
{
    std::string windows = "Z:" + std::filesystem::absolute(path).string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

// The times at which the file is opened, until enough opens or the time is up.
std::vector<Clock::time_point> WatchOpens(int watcher, size_t wanted)
{
    std::vector<Clock::time_point> opens;
    Clock::time_point end = Clock::now() + std::chrono::seconds(kRunSeconds);
    alignas(inotify_event) char buffer[4096];
    while (opens.size() < wanted && Clock::now() < end) {
        pollfd ready = {watcher, POLLIN, 0};
        if (poll(&ready, 1, 1000) <= 0) {
            continue;
        }
        ssize_t length = read(watcher, buffer, sizeof buffer);
        Clock::time_point now = Clock::now();
        for (ssize_t at = 0; at < length;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_OPEN) {
                opens.push_back(now);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return opens;
}

double MedianGapMilliseconds(const std::vector<Clock::time_point>& opens)
{
    std::vector<double> gaps;
    for (size_t i = kWarmUpTicks + 1; i < opens.size(); ++i) {
        gaps.push_back(std::chrono::duration<double, std::milli>(opens[i] - opens[i - 1]).count());
    }
    if (gaps.empty()) {
        return -1;
    }
    std::sort(gaps.begin(), gaps.end());
    return gaps[gaps.size() / 2];
}

// Milliseconds per tick of the saver showing only this picture; -1 without enough ticks.
double MeasureTicks(const std::string& build, const std::string& path, int flags, size_t* ticks)
{
    std::string seed = build + "/seed-images.exe";
    if (WaitFor(Spawn({"wine", seed, "--time", "1", "--flags", std::to_string(flags), WindowsPath(path)})) != 0) {
        fprintf(stderr, "%s failed\n", seed.c_str());
        exit(1);
    }
    int watcher = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watcher, path.c_str(), IN_OPEN);
    pid_t saver = Spawn({"wine", build + "/velmarin.scr", "/s"});
    std::vector<Clock::time_point> opens = WatchOpens(watcher, kWarmUpTicks + 1 + kMeasuredTicks);
    kill(saver, SIGTERM);
    WaitFor(saver);
    close(watcher);
    *ticks = opens.size();
    return MedianGapMilliseconds(opens);
}

void Report(const BenchPicture& picture, const std::string& build)
{
    picture.decodeReference(picture.path); // warm the file cache
    double reference = MedianMilliseconds(kReferenceRuns, [&] { picture.decodeReference(picture.path); });
    const char* modes[] = {"natural size", "scale to fit"};
    for (int mode = 0; mode < 2; ++mode) {
        size_t ticks = 0;
        double perTick = MeasureTicks(build, picture.path, mode == 0 ? 0 : 2, &ticks);
        printf("%-26s %-13s %8.1f ms/tick (%2zu ticks)   %-13s %7.2f ms   ratio %5.2f\n", picture.name, modes[mode],
               perTick, ticks, picture.reference, reference, perTick / reference);
        fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || getenv("WINEPREFIX") == nullptr || getenv("DISPLAY") == nullptr) {
        fprintf(stderr, "usage: tick_bench WINDOWS_BUILD_DIR, with DISPLAY and WINEPREFIX set\n");
        return 2;
    }
    std::string build = std::filesystem::absolute(argv[1]).string();
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmarin-tick-bench";
    std::filesystem::create_directories(folder);
    printf("generating files in %s\n", folder.string().c_str());

    Picture photo = PhotoPicture(4000, 3000);
    std::vector<BenchPicture> pictures = {
        {"JPEG 800x600", Save(folder, "photo-800x600.jpg", WriteJpeg(PhotoPicture(800, 600), JPEG_COLOUR, 90)),
         "libjpeg loop", DecodeWithJpegLibrary},
        {"JPEG 4000x3000", Save(folder, "photo-4000x3000.jpg", WriteJpeg(photo, JPEG_COLOUR, 90)), "libjpeg loop",
         DecodeWithJpegLibrary},
        {"GIF 2000x2000 256 colours",
         Save(folder, "256-colours-2000x2000.gif", WriteGif(MakeGif(TwoFiftySixColours(2000, 2000), SpreadColours(256)))),
         "giflib", DecodeWithGiflib},
        {"BMP 4000x3000 24 bits", Save(folder, "photo-4000x3000.bmp", WriteBmp(MakeBmp(photo, 24, false))), "file read",
         ReadIntoMemory},
        {"BMP 1x1 24 bits", Save(folder, "dot-1x1.bmp", WriteBmp(MakeBmp(PhotoPicture(1, 1), 24, false))), "file read",
         ReadIntoMemory},
    };
    for (const BenchPicture& picture : pictures) {
        Report(picture, build);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
