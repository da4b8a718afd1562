// The simulated serial printer of the firmware transfer tests: a Linux program (built with the
// host compiler) on the master side of a pty whose slave side the test prefix sees as a COM
// port (a link in the prefix's dosdevices). It records every byte it reads, unchanged.
//
//   kelno_serial_printer <prefix> <port link name, e.g. com3>
//
// Files in <prefix>/drive_c/serial_printer (the test's C:\serial_printer):
//   received.bin  every byte read, appended (the test deletes it to start afresh)
//   stall         while it exists the printer stops reading, as a printer that hangs
//   quit          ends the program
// The program also ends when the prefix is removed, and after a bounded lifetime.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool MakeRaw(int fd) {
    termios mode{};
    if (tcgetattr(fd, &mode) != 0) return false;
    cfmakeraw(&mode);
    return tcsetattr(fd, TCSANOW, &mode) == 0;
}

void Append(const std::string& path, const char* bytes, ssize_t count) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    for (ssize_t done = 0; done < count;) {
        const ssize_t n = write(fd, bytes + done, static_cast<size_t>(count - done));
        if (n <= 0) break;
        done += n;
    }
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <prefix> <port link name>\n", argv[0]);
        return 2;
    }
    const std::string prefix = argv[1];
    const std::string link = prefix + "/dosdevices/" + argv[2];
    const std::string folder = prefix + "/drive_c/serial_printer";
    const std::string received = folder + "/received.bin";
    const std::string stall = folder + "/stall";
    const std::string quit = folder + "/quit";

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pty");
        return 1;
    }
    const char* slaveName = ptsname(master);
    // The printer keeps the slave open itself: the master then never reports a hang-up while
    // the test has the port closed, and raw mode (no LF to CR LF) stays set.
    const int slave = slaveName ? open(slaveName, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || !MakeRaw(slave)) {
        std::perror("slave");
        return 1;
    }
    mkdir(folder.c_str(), 0755);
    unlink(link.c_str());
    if (symlink(slaveName, link.c_str()) != 0) {
        std::perror("symlink");
        return 1;
    }
    std::printf("serial printer on %s as %s\n", slaveName, link.c_str());
    std::fflush(stdout);

    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(15);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < end && Exists(prefix) && !Exists(quit)) {
        if (Exists(stall)) {
            usleep(50 * 1000);
            continue;
        }
        pollfd wait{master, POLLIN, 0};
        if (poll(&wait, 1, 50) <= 0 || !(wait.revents & POLLIN)) continue;
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) Append(received, buffer, n);
    }
    unlink(link.c_str());
    close(slave);
    close(master);
    return 0;
}
