// Tick benchmark: the built saver under Wine, showing one picture per run with an update
// time of 1 ms, against a native reference decode of the same file timed in the same run.
// Each picture a tick draws was opened once to prepare it, and with 1 ms ticks the
// preparing never pauses, so ticks are counted by the file's opens (inotify); the time per
// tick is the median gap between opens after the first ones.
// The saver's peak resident memory (VmHWM) is shown beside, against the idle saver's
// (the 1x1 BMP), and the window thread's time in the tick handler (time-tick-handler.exe:
// median and longest of its ticks).
//   tick_bench WINDOWS_BUILD_DIR [NAME_PART]   (velmarin.scr, seed-images.exe and
//                                   time-tick-handler.exe; DISPLAY and
//                                   WINEPREFIX set, scripts/tick-bench.sh provides both; only
//                                   pictures whose name holds NAME_PART, when given)
#include "BenchPictures.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/PngWriter.h"
#include "tests/common/TiffWriter.h"
#include "tests/common/WebpWriter.h"

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
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The peak resident memory of a process in MiB, from its status; -1 when unknown.
double PeakMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return -1;
}

// The settings: only this picture, at that update time.
void Seed(const std::string& build, const std::string& path, int flags, const char* updateTime)
{
    std::string seed = build + "/seed-images.exe";
    if (WaitFor(Spawn({"wine", seed, "--time", updateTime, "--flags", std::to_string(flags), WindowsPath(path)})) != 0) {
        fprintf(stderr, "%s failed\n", seed.c_str());
        exit(1);
    }
}

// "median longest" milliseconds in the tick handler, ticks coming only from the timer.
std::string TickHandlerTimes(const std::string& build, const std::string& path, int flags)
{
    Seed(build, path, flags, "1000000");
    std::string command = "wine '" + build + "/time-tick-handler.exe' 12 2>/dev/null";
    FILE* output = popen(command.c_str(), "r");
    char line[64] = "";
    if (output == nullptr || fgets(line, sizeof line, output) == nullptr || pclose(output) != 0) {
        fprintf(stderr, "%s failed\n", command.c_str());
        exit(1);
    }
    line[strcspn(line, "\r\n")] = '\0';
    return line;
}

// Milliseconds per tick of the saver showing only this picture; -1 without enough ticks.
double MeasureTicks(const std::string& build, const std::string& path, int flags, size_t* ticks, double* peak)
{
    Seed(build, path, flags, "1");
    int watcher = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watcher, path.c_str(), IN_OPEN);
    pid_t saver = Spawn({"wine", build + "/velmarin.scr", "/s"});
    std::vector<Clock::time_point> opens = WatchOpens(watcher, kWarmUpTicks + 1 + kMeasuredTicks);
    *peak = PeakMiB(saver);
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
        double peak = 0;
        double perTick = MeasureTicks(build, picture.path, mode == 0 ? 0 : 2, &ticks, &peak);
        std::string handler = TickHandlerTimes(build, picture.path, mode == 0 ? 0 : 2);
        printf("%-30s %-13s %8.1f ms/tick (%2zu ticks)   %-13s %7.2f ms   ratio %5.2f   peak %6.1f MiB   handler %s ms\n",
               picture.name, modes[mode], perTick, ticks, picture.reference, reference, perTick / reference, peak,
               handler.c_str());
        fflush(stdout);
    }
}


// A truecolour PNG of the picture.
std::vector<uint8_t> TruecolourPng(const Picture& picture)
{
    PngFile file;
    file.width = picture.width;
    file.height = picture.height;
    file.colourType = PNG_RGB;
    for (uint32_t pixel : picture.pixels) {
        file.samples.insert(file.samples.end(), {static_cast<uint16_t>(pixel >> 16 & 0xFF),
                                                 static_cast<uint16_t>(pixel >> 8 & 0xFF), static_cast<uint16_t>(pixel & 0xFF)});
    }
    return WritePng(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || getenv("WINEPREFIX") == nullptr || getenv("DISPLAY") == nullptr) {
        fprintf(stderr, "usage: tick_bench WINDOWS_BUILD_DIR [NAME_PART], with DISPLAY and WINEPREFIX set\n");
        return 2;
    }
    std::string build = std::filesystem::absolute(argv[1]).string();
    std::string only = argc == 3 ? argv[2] : "";
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmarin-tick-bench";
    std::filesystem::create_directories(folder);
    printf("generating files in %s\n", folder.string().c_str());

    struct Made {
        const char* name;
        const char* file;
        std::function<std::vector<uint8_t>()> make;
        const char* reference;
        void (*decodeReference)(const std::string& path);
    };
    Picture photo = PhotoPicture(4000, 3000);
    const Made made[] = {
        {"JPEG 800x600", "photo-800x600.jpg", [] { return WriteJpeg(PhotoPicture(800, 600), JPEG_COLOUR, 90); },
         "libjpeg loop", DecodeWithJpegLibrary},
        {"JPEG 4000x3000", "photo-4000x3000.jpg", [&] { return WriteJpeg(photo, JPEG_COLOUR, 90); }, "libjpeg loop",
         DecodeWithJpegLibrary},
        {"JPEG 4000x3000 Exif 1", "camera-4000x3000-1.jpg",
         [&] { return WriteCameraJpeg(photo, ExifWithOrientation(1, false), JPEG_COLOUR, 90); }, "libjpeg loop",
         DecodeWithJpegLibrary},
        {"JPEG 4000x3000 Exif 6", "camera-4000x3000-6.jpg",
         [&] { return WriteCameraJpeg(photo, ExifWithOrientation(6, false), JPEG_COLOUR, 90); }, "libjpeg loop",
         DecodeWithJpegLibrary},
        {"JPEG 12000x9000", "photo-12000x9000.jpg", [] { return WriteJpeg(PhotoPicture(12000, 9000), JPEG_COLOUR, 90); },
         "libjpeg loop", DecodeWithJpegLibrary},
        {"WebP 4000x3000 lossy", "photo-4000x3000.webp", [&] { return WriteWebp(WebpFrame(photo), false); },
         "libwebp BGR", DecodeWithLibwebp},
        {"TIFF 4000x3000 uncompressed", "photo-4000x3000.tif",
         [&] {
             TiffPage page(photo);
             page.rowsPerStrip = 16;
             return WriteTiff({page});
         },
         "file read", ReadIntoMemory},
        {"PNG 4000x3000 truecolour", "photo-4000x3000.png", [&] { return TruecolourPng(photo); }, "libpng image",
         DecodeWithLibpng},
        {"GIF 2000x2000 256 colours", "256-colours-2000x2000.gif",
         [] { return WriteGif(MakeGif(TwoFiftySixColours(2000, 2000), SpreadColours(256))); }, "giflib",
         DecodeWithGiflib},
        {"BMP 4000x3000 24 bits", "photo-4000x3000.bmp", [&] { return WriteBmp(MakeBmp(photo, 24, false)); },
         "file read", ReadIntoMemory},
        {"BMP 1x1 24 bits", "dot-1x1.bmp", [] { return WriteBmp(MakeBmp(PhotoPicture(1, 1), 24, false)); }, "file read",
         ReadIntoMemory},
    };
    for (const Made& picture : made) {
        if (std::string(picture.name).find(only) == std::string::npos) {
            continue;
        }
        BenchPicture bench = {picture.name, Save(folder, picture.file, picture.make()), picture.reference,
                              picture.decodeReference};
        Report(bench, build);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
