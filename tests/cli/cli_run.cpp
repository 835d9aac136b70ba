// Running the built vkd as a user does, and the pictures and files the tests give it.
#include "cli_run.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
// Removed at exit; a plain array so it outlives every destructor that might still use it.
char workDirName[] = "/tmp/vkd-cli-XXXXXX";
} // namespace

std::string file_read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void file_write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::string &work_dir() {
    static const std::string dir = [] {
        std::string made = mkdtemp(workDirName);
        std::atexit([] { std::filesystem::remove_all(workDirName); });
        return made;
    }();
    return dir;
}

std::string work_path(const std::string &name) {
    return work_dir() + "/" + name;
}

const std::vector<std::string> japanese = {"LC_ALL=ja_JP.UTF-8"};
const std::vector<std::string> english = {"LC_ALL=C.UTF-8"};

namespace {

// In the child, before exec.
void locale_set(const std::vector<std::string> &env) {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        unsetenv(name);
    for (const std::string &assignment : env)
        putenv(strdup(assignment.c_str()));
}

[[noreturn]] void vkd_exec(const std::vector<std::string> &args) {
    std::vector<char *> argv{const_cast<char *>(VKD_PATH)};
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(VKD_PATH, argv.data());
    _exit(127);
}

int exit_code_of(pid_t pid) {
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

Outcome vkd(const std::vector<std::string> &args, const std::string &stdinPath,
            const std::string &stdoutPath, const std::vector<std::string> &env) {
    std::string outPath = stdoutPath.empty() ? work_path("stdout") : stdoutPath;
    std::string errPath = work_path("stderr");
    pid_t pid = fork();
    if (pid == 0) {
        locale_set(env);
        dup2(open(stdinPath.c_str(), O_RDONLY), 0);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        vkd_exec(args);
    }
    Outcome run;
    run.code = exit_code_of(pid);
    if (run.code < 0)
        return run;
    run.out = stdoutPath.empty() ? file_read(outPath) : "";
    run.err = file_read(errPath);
    return run;
}

Outcome vkd_on_terminal(const std::vector<std::string> &args, int columns, bool outThere,
                        bool errThere) {
    int terminal = -1, device = -1;
    struct winsize size {};
    size.ws_row = 50;
    size.ws_col = static_cast<unsigned short>(columns);
    if (openpty(&terminal, &device, nullptr, nullptr, &size) != 0)
        return {};
    struct termios raw {};
    tcgetattr(device, &raw);
    cfmakeraw(&raw); // bytes as they are: no LF made CR LF
    tcsetattr(device, TCSANOW, &raw);
    const std::string outPath = work_path("stdout"), errPath = work_path("stderr");
    const pid_t pid = fork();
    if (pid == 0) {
        close(terminal);
        locale_set(english);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(outThere ? device : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(errThere ? device : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        close(device);
        vkd_exec(args);
    }
    close(device);
    // Read as it comes, or a full terminal would hold vkd up; it ends (EIO) once vkd is gone.
    Outcome run;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        run.out.append(buffer, size_t(n));
    }
    close(terminal);
    run.code = exit_code_of(pid);
    if (!outThere) {
        run.err = run.out;
        run.out = file_read(outPath);
    }
    if (!errThere)
        run.err = file_read(errPath);
    return run;
}

std::string bmp_bytes(int32_t w, int32_t h, const std::function<Pixel(int, int)> &pixel,
                      bool topDown) {
    auto le = [](std::string &s, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(v >> (8 * i));
    };
    int32_t stride = (w * 3 + 3) & ~3;
    std::string s = "BM";
    le(s, 54 + stride * h, 4);
    le(s, 0, 4);
    le(s, 54, 4);
    le(s, 40, 4);
    le(s, static_cast<uint32_t>(w), 4);
    le(s, static_cast<uint32_t>(topDown ? -h : h), 4);
    le(s, 1, 2);
    le(s, 24, 2);
    for (int i = 0; i < 6; ++i)
        le(s, i == 1 ? stride * h : 0, 4);
    for (int row = 0; row < h; ++row) {
        int y = topDown ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            Pixel p = pixel(x, y);
            s += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
        }
        s.append(static_cast<size_t>(stride - w * 3), '\0');
    }
    return s;
}

std::string bmp_header_only(int32_t w, int32_t h) {
    return bmp_bytes(w, h, [](int, int) { return Pixel{}; }).substr(0, 54);
}

Pixel of_sum(int sum) {
    uint8_t r = static_cast<uint8_t>(sum / 3), g = static_cast<uint8_t>((sum - r) / 2);
    return {r, g, static_cast<uint8_t>(sum - r - g)};
}

std::string bmp_file(const std::string &name, const std::string &bytes) {
    std::string path = work_path(name);
    file_write(path, bytes);
    return path;
}

std::string bmp_plain(const std::string &name, int32_t w, int32_t h) {
    return bmp_file(name,
                    bmp_bytes(w, h, [](int x, int y) { return of_sum((x * 7 + y * 3) % 766); }));
}

Shape shape_of(const std::string &text) {
    Shape shape;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos || (end > 0 && text[end - 1] == '\r')) {
            shape.wellFormed = false;
            break;
        }
        int len = static_cast<int>(end - start);
        if (shape.cols >= 0 && len != shape.cols)
            shape.wellFormed = false;
        shape.cols = len;
        ++shape.rows;
        start = end + 1;
    }
    if (shape.rows == 0)
        shape.cols = 0;
    return shape;
}

const std::string expected = file_read(EXPECTED_PATH);

std::string without_cr(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

const std::string expectedLf = without_cr(expected);
