// The desktop's offerPicture: the picture is written to the user's pictures folder under a new
// name, and the path printed on standard output; a failure prints one line on standard error and
// the scene goes on. The page has its own offerPicture and leaves this file out.
#include "app/PictureFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Picture.h"

namespace {

constexpr int maxNumber = 10000; // names tried before giving up: a folder that full is broken
constexpr mode_t fileMode = 0644; // before the umask

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The value of XDG_PICTURES_DIR in a user-dirs.dirs file: "$HOME/..." or an absolute path, in
// double quotes. Empty when the file or the line is missing or holds anything else.
std::string userDirsPictures(const std::string& file, const std::string& home)
{
    const std::string key = "XDG_PICTURES_DIR=\"";
    std::ifstream in(file);
    std::string line;
    std::string found;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value == "$HOME" || value.compare(0, 6, "$HOME/") == 0) {
            found = home + value.substr(5);
        } else if (!value.empty() && value[0] == '/') {
            found = value;
        }
    }
    return found; // the last line wins, as in the shell that could source the file
}

// name-N.ext for the N-th try, N from 2; the name itself for the first.
std::string numbered(const std::string& name, int number)
{
    if (number == 1) {
        return name;
    }
    std::size_t dot = name.rfind('.');
    std::size_t stem = dot == std::string::npos ? name.size() : dot;
    return name.substr(0, stem) + "-" + std::to_string(number) + name.substr(stem);
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

const char* environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::string picturesFolder(const std::string& home, const std::string& configHome)
{
    if (home.empty() && configHome.empty()) {
        return ""; // no folder is known: never fall back to the root folder
    }
    std::string config = configHome.empty() ? home + "/.config" : configHome;
    std::string configured = userDirsPictures(config + "/user-dirs.dirs", home);
    if (!configured.empty()) {
        return configured;
    }
    if (isFolder(home + "/Pictures")) {
        return home + "/Pictures";
    }
    return home;
}

int createNewFile(const std::string& folder, const std::string& name, std::string& path)
{
    for (int number = 1; number <= maxNumber; ++number) {
        path = folder + "/" + numbered(name, number);
        // O_EXCL: a file that appears meanwhile is never overwritten either.
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, fileMode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1; // errno is still EEXIST
}

void offerPicture(const std::vector<unsigned char>& png, const std::string& name)
{
    if (png.empty()) {
        std::fprintf(stderr, "robotscene: cannot save a picture: the frame could not be read\n");
        return;
    }
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome[0] != '/') {
        configHome.clear(); // a relative value is to be ignored
    }
    std::string folder = picturesFolder(environment("HOME"), configHome);
    if (folder.empty()) {
        std::fprintf(stderr, "robotscene: cannot save a picture: no home folder (HOME is not set)\n");
        return;
    }
    std::string path;
    int fd = createNewFile(folder, name, path);
    bool written = fd >= 0 && writeAll(fd, png);
    int error = errno;
    if (fd >= 0 && close(fd) != 0 && written) {
        written = false; // a full disk may show only here
        error = errno;
    }
    if (!written) {
        if (fd >= 0) {
            unlink(path.c_str()); // no cut-off picture left behind
        }
        std::fprintf(stderr, "robotscene: cannot save a picture to %s: %s\n", path.c_str(), std::strerror(error));
        return;
    }
    std::printf("Saved %s\n", path.c_str());
    std::fflush(stdout);
}
