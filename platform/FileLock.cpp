#include "platform/FileLock.h"

#include "platform/TextFile.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct Holder {
    int fd = -1;
    int count = 0;
};

std::mutex& HoldersMutex() {
    static std::mutex mutex;
    return mutex;
}

// The folder locks this program holds, by device and inode: flock locks belong to an open
// file, so a second open of the same folder in this program would wait for the first.
std::map<std::string, Holder>& Holders() {
    static std::map<std::string, Holder> holders;
    return holders;
}

// The folder of the file the path finally names. Links that go round in a loop name no file:
// the path's own folder is locked, and the write that follows fails on its own.
std::string FolderOf(const std::string& path) {
    const std::string target = FollowLinks(path);
    const std::filesystem::path folder =
        std::filesystem::path(target.empty() ? path : target).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

} // namespace

FolderLock::FolderLock(const std::string& path, std::chrono::milliseconds wait) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error_ = errno;
        ::close(fd);
        return;
    }
    key_ = std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino);

    std::lock_guard<std::mutex> guard(HoldersMutex());
    Holder& holder = Holders()[key_];
    if (holder.count > 0) {
        ::close(fd);
        ++holder.count;
        held_ = true;
        return;
    }
    // Polled rather than blocking, so that a program that never lets go cannot hang this one.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = errno;
            ::close(fd);
            Holders().erase(key_);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = EWOULDBLOCK;
            timedOut_ = true;
            ::close(fd);
            Holders().erase(key_);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    holder.fd = fd;
    holder.count = 1;
    held_ = true;
}

FolderLock::~FolderLock() {
    if (!held_)
        return;
    std::lock_guard<std::mutex> guard(HoldersMutex());
    auto found = Holders().find(key_);
    if (found == Holders().end() || --found->second.count > 0)
        return;
    ::close(found->second.fd); // closing releases the flock
    Holders().erase(found);
}

std::string FolderLockFailure(const FolderLock& lock) {
    if (lock.TimedOut())
        return "un autre programme est en train d'écrire dans ce dossier";
    if (lock.Error() == EACCES || lock.Error() == EPERM)
        return "le dossier ne peut pas être verrouillé : accès refusé";
    return "le dossier ne peut pas être verrouillé";
}

} // namespace platform
