#pragma once

#include <chrono>
#include <string>

namespace platform {

// One writer at a time on the files of a folder, among every program that writes there: an
// advisory lock (flock) on the folder that holds a file, taken around "check what is on disk,
// then replace or append". The folder itself carries the lock, so nothing is left beside the
// user's files, a rename under the lock keeps it, and the system releases it when a program
// dies: a killed program never leaves a file locked.
//
// Within one program the lock is shared: a writer that takes it again while it is held (a
// save that appends to the log of the same folder) goes on at once instead of waiting for
// itself. The program's writers run on one thread; the count is kept safe for others anyway.
class FolderLock {
public:
    // How long a writer waits for another program to finish before it gives up.
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    // Locks the folder that holds the file the path finally names (symbolic links followed),
    // waiting at most `wait` for another program to release it.
    explicit FolderLock(const std::string& path, std::chrono::milliseconds wait = kDefaultWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return held_; }
    // Another program held the lock for the whole wait: the writer should not go on.
    bool TimedOut() const { return timedOut_; }
    // Why the lock is not held (the system's error number), 0 when it is.
    int Error() const { return error_; }

private:
    std::string key_; // the folder's device and inode, shared by every holder in this program
    bool held_ = false;
    bool timedOut_ = false;
    int error_ = 0;
};

// The message for a lock that could not be taken, in the words the user is shown.
std::string FolderLockFailure(const FolderLock& lock);

} // namespace platform
