#include "platform/TextFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include <xxhash.h>

namespace platform {

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        const unsigned char second = static_cast<unsigned char>(text[i + 1]);
        if (second < low || second > high)
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if (next < 0x80 || next > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

// Windows-1252 0x80-0x9F; the five unassigned bytes map to the C1 controls of the same
// value, so that every byte reads as some character and none is lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The random characters that end a unique file's name, and what they are drawn from.
constexpr std::size_t kRandomChars = 6;
constexpr std::string_view kRandomCharSet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Gives a new name, the prefix and kRandomChars random characters, to what `take` makes under
// it; takes another while the name is taken. False, errno set, when no name could be taken.
bool TakeUniqueName(const std::string& prefix, std::string& name,
                    const std::function<bool(const std::string&)>& take) {
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kRandomCharSet.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix;
        for (std::size_t i = 0; i < kRandomChars; ++i)
            name += kRandomCharSet[pick(random)];
        if (take(name))
            return true;
        if (errno != EEXIST)
            break;
    }
    name.clear();
    return false;
}

// Creates a new file under a unique name, with the mode every new file gets. Open for writing;
// -1 when no name could be taken.
int CreateUniqueFile(const std::string& prefix, std::string& name) {
    int fd = -1;
    TakeUniqueName(prefix, name, [&fd](const std::string& candidate) {
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        return fd >= 0;
    });
    return fd;
}

// Every byte as its Windows-1252 character.
std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F)
            AppendCodePoint(out, kCp1252High[c - 0x80]);
        else
            AppendCodePoint(out, c);
    }
    return out;
}

} // namespace

std::string FollowLinks(const std::string& path) {
    namespace fs = std::filesystem;
    // As many links as the system itself follows before it gives up.
    constexpr int kMaxLinks = 40;
    fs::path current(path);
    for (int n = 0; n <= kMaxLinks; ++n) {
        std::error_code erreur;
        if (!fs::is_symlink(fs::symlink_status(current, erreur)))
            return current.string(); // a plain file, a new name, or one we cannot look at
        const fs::path cible = fs::read_symlink(current, erreur);
        if (erreur)
            return current.string();
        // A relative target is relative to the folder holding the link.
        current = cible.is_absolute() ? cible : current.parent_path() / cible;
    }
    return {};
}

std::string ToUtf8(std::string_view text) {
    if (IsValidUtf8(text))
        return std::string(text);
    return Cp1252ToUtf8(text);
}

bool IsReadableRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

bool IsUnfitTarget(const std::string& path) {
    return !UnfitReason(path).empty();
}

namespace {

// Closes the descriptor it holds.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

std::string ReadFailure(int error) {
    if (error == EACCES || error == EPERM)
        return "accès refusé";
    if (error == EISDIR)
        return "ce n'est pas un fichier";
    return "erreur de lecture";
}

WholeFile Unreadable(int error) {
    WholeFile file;
    file.state = WholeFile::State::Unreadable;
    file.reason = ReadFailure(error);
    return file;
}

} // namespace

std::string UnfitReason(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    if (!S_ISREG(status.st_mode))
        return ReadFailure(EISDIR);
    if (::access(path.c_str(), R_OK) != 0)
        return ReadFailure(errno);
    return {};
}

WholeFile ReadWholeFile(const std::string& path) {
    // Without blocking: a pipe at the path would otherwise wait for a writer.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        const int error = errno;
        // A name too long for the system cannot be a file either.
        if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG)
            return WholeFile{};
        return Unreadable(error);
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return Unreadable(EISDIR);
    WholeFile file;
    // Room for the whole file at once: growing the text block by block would copy it over
    // and over. A file that grows meanwhile is still read to its end; a sparse giant is not
    // given its size in advance.
    constexpr off_t kMostReserved = off_t{1} << 28;
    file.text.reserve(
        static_cast<std::size_t>(std::clamp<off_t>(status.st_size, 0, kMostReserved)));
    char chunk[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n > 0)
            file.text.append(chunk, static_cast<std::size_t>(n));
        else if (n == 0)
            break;
        else if (errno != EINTR)
            return Unreadable(errno);
    }
    file.state = WholeFile::State::Read;
    return file;
}

namespace {

// Opens a regular file for reading, or gives -1. The open does not block, so that a named
// pipe at the path is refused at once instead of waiting for a writer.
int OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat status {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Without an early exit the loop runs on whole words: most lines are plain ASCII and are
// looked at through to their end anyway.
bool HasByteAbove127(std::string_view text) {
    unsigned char any = 0;
    for (const char c : text)
        any |= static_cast<unsigned char>(c);
    return any >= 0x80;
}

} // namespace

LineReader::LineReader(const std::string& path, std::size_t maxLength)
    : fd_(OpenRegularFile(path)), maxLength_(maxLength) {
    if (fd_ >= 0)
        buffer_.resize(kBlock);
}

LineReader::~LineReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool LineReader::IsOpen() const {
    return fd_ >= 0;
}

bool LineReader::Failed() const {
    return failed_;
}

FileFingerprint LineReader::Fingerprint() const {
    return fingerprint_.Result();
}

bool LineReader::Fill() {
    if (fd_ < 0 || failed_)
        return false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            next_ = 0;
            end_ = static_cast<std::size_t>(n);
            fingerprint_.Add({buffer_.data(), end_});
            return true;
        }
        if (n == 0)
            return false;
        if (errno != EINTR) {
            failed_ = true;
            return false;
        }
    }
}

LineReader::Status LineReader::Read(std::string& line) {
    line.clear();
    if (fd_ < 0)
        return Status::End;
    // One byte more than the limit is kept so that a CR before the LF does not count.
    const std::size_t keep = maxLength_ + 1;
    bool any = false;
    bool overflow = false;
    // The line is taken from the block a piece at a time, up to its line feed or the block's
    // end; the bytes beyond the limit are skipped without being kept.
    for (;;) {
        if (next_ == end_ && !Fill())
            break;
        any = true;
        const char* const from = buffer_.data() + next_;
        const std::size_t available = end_ - next_;
        const void* const feed = std::memchr(from, '\n', available);
        const std::size_t length =
            feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - from)
                            : available;
        const std::size_t room = line.size() < keep ? keep - line.size() : 0;
        line.append(from, std::min(length, room));
        overflow = overflow || length > room;
        next_ += length;
        if (feed != nullptr) {
            ++next_;
            break;
        }
    }
    if (!any)
        return Status::End;
    // Only the file's head may hold a byte order mark, even when its first line is too long.
    const bool first = std::exchange(firstLine_, false);
    if (!line.empty() && line.back() == '\r' && !overflow)
        line.pop_back();
    if (overflow || line.size() > maxLength_) {
        line.clear();
        return Status::TooLong;
    }
    // A byte order mark some editors put at the head of UTF-8 files.
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    // Plain ASCII reads the same in every code page: only other lines need a look.
    if (HasByteAbove127(line) && !IsValidUtf8(line))
        line = Cp1252ToUtf8(line);
    return Status::Line;
}

namespace {

constexpr char kTempMark[] = ".tmp-";
constexpr std::size_t kTempMarkSize = sizeof kTempMark - 1;

struct FolderAndName {
    std::string folder; // with its final "/", or "./"
    std::string name;
};

FolderAndName Split(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {"./", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The longest file name the folder takes.
std::size_t LongestName(const std::string& folder) {
    const long most = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return most > 0 ? static_cast<std::size_t>(most) : NAME_MAX;
}

// The name of the target's temporaries without their random characters: the target's name and
// ".tmp-", the name cut at a character's start where that would not fit, so that any name the
// system takes can be written. The random characters keep two long names that begin alike
// apart.
std::string TempPrefix(const std::string& name, std::size_t longest) {
    const std::size_t room = kTempMarkSize + kRandomChars;
    std::size_t cut = longest > room ? std::min(longest - room, name.size()) : 0;
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut) + kTempMark;
}

// A file system that has no unnamed files answers one of these (EISDIR: a system that does not
// know them opens the folder itself).
bool NoUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Gives an unnamed file a name: through /proc, which any user may, or else through the
// descriptor itself, which the system may keep for privileged programs. Never over a name
// that is taken.
bool LinkUnnamed(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0;
}

// Removes the name a writer gave its own file, only while it still names that file: nothing is
// removed that this writer cannot prove it made.
void RemoveOwnName(int fd, const std::string& name) {
    struct stat own {};
    struct stat named {};
    if (::fstat(fd, &own) == 0 && ::lstat(name.c_str(), &named) == 0 &&
        own.st_dev == named.st_dev && own.st_ino == named.st_ino)
        ::unlink(name.c_str());
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(FollowLinks(path)) {
    if (path_.empty()) {
        Fail(ELOOP);
        return;
    }
    const FolderAndName parts = Split(path_);
    const std::size_t longest = LongestName(parts.folder);
    // The temporary's name would fit, but the rename to this one would fail in the end.
    if (parts.name.size() > longest) {
        Fail(ENAMETOOLONG);
        return;
    }
    int fd = ::open(parts.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
    if (fd < 0 && NoUnnamedFiles(errno))
        fd = CreateUniqueFile(parts.folder + TempPrefix(parts.name, longest), tempPath_);
    if (fd < 0) {
        Fail(errno);
        return;
    }
    // The file being replaced keeps its permissions; a new one has those the umask gives.
    struct stat previous {};
    if (::stat(path_.c_str(), &previous) == 0)
        ::fchmod(fd, previous.st_mode & 07777);
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        Fail(errno);
        if (!tempPath_.empty())
            RemoveOwnName(fd, tempPath_);
        ::close(fd);
        tempPath_.clear();
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ == nullptr)
        return;
    if (!tempPath_.empty())
        RemoveOwnName(::fileno(file_), tempPath_);
    std::fclose(file_); // an unnamed file goes with its last descriptor
}

void AtomicFileWriter::Fail(int error) {
    if (!failed_)
        error_ = error;
    failed_ = true;
}

int AtomicFileWriter::Error() const {
    return error_;
}

bool AtomicFileWriter::IsOpen() const {
    return file_ != nullptr && !failed_;
}

void AtomicFileWriter::Write(std::string_view text) {
    if (file_ == nullptr || failed_)
        return;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        Fail(errno);
}

bool AtomicFileWriter::Commit() {
    if (file_ == nullptr) {
        Fail(error_ != 0 ? error_ : EBADF);
        return false;
    }
    const auto step = [this](bool done) {
        if (!done)
            Fail(errno);
    };
    const int fd = ::fileno(file_);
    const FolderAndName parts = Split(path_);
    if (!failed_)
        step(std::fflush(file_) == 0);
    if (!failed_)
        step(::fsync(fd) == 0);
    // An unnamed file gets its name only now, beside the target: a link never replaces a name
    // that is taken, so it takes a new one, which the rename then puts over the target.
    if (!failed_ && tempPath_.empty())
        step(TakeUniqueName(parts.folder + TempPrefix(parts.name, LongestName(parts.folder)),
                            tempPath_,
                            [fd](const std::string& name) { return LinkUnnamed(fd, name); }));
    if (!failed_)
        step(::rename(tempPath_.c_str(), path_.c_str()) == 0);
    if (failed_ && !tempPath_.empty())
        RemoveOwnName(fd, tempPath_);
    step(std::fclose(file_) == 0);
    file_ = nullptr;
    tempPath_.clear();
    if (failed_)
        return false;
    // The rename itself must reach the disk for the new file to survive a crash.
    const int dir = ::open(parts.folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::FILE* OpenForWriting(const std::string& path, WriteMode mode) {
    const int append = mode == WriteMode::Append ? O_APPEND : 0;
    // Without blocking: opening a pipe for writing would otherwise wait for a reader.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | append, kNewFileMode);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    const int flags = ::fcntl(fd, F_GETFL);
    // Emptied only once it is known to be a file.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        (mode == WriteMode::Replace && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode == WriteMode::Append ? "ab" : "wb");
    if (file == nullptr)
        ::close(fd);
    return file;
}

namespace {

// Opens a regular file for appending (created when missing) without waiting on a pipe; -1 when
// it cannot be opened or is no regular file. Read access too when asked, to look at its end.
int OpenForAppending(const std::string& path, bool readToo) {
    const int access = readToo ? O_RDWR : O_WRONLY;
    const int fd =
        ::open(path.c_str(), access | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, kNewFileMode);
    if (fd < 0)
        return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes every byte at the end of the file, or cuts the file back to the length it had: a
// full disk must not leave a piece of the text for the next one to be glued to.
bool AppendWhole(int fd, std::string_view text) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return false;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            if (written > 0 && ::ftruncate(fd, status.st_size) != 0) {
                // The piece stays; lines appended next start on a line of their own.
            }
            return false;
        }
    }
    return true;
}

// True when the file ends inside a line: its last byte is not a line end.
bool EndsInsideALine(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || status.st_size == 0)
        return false;
    char last = '\n';
    return ::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n';
}

} // namespace

bool AppendToFile(const std::string& path, std::string_view text) {
    const int fd = OpenForAppending(path, false);
    if (fd < 0)
        return false;
    const bool ok = AppendWhole(fd, text);
    return ::close(fd) == 0 && ok;
}

bool AppendLines(const std::string& path, std::string_view lines) {
    const int fd = OpenForAppending(path, true);
    if (fd < 0)
        return false;
    std::string text;
    if (!lines.empty() && EndsInsideALine(fd))
        text = "\n";
    text += lines;
    const bool ok = AppendWhole(fd, text);
    return ::close(fd) == 0 && ok;
}

bool CreateCopy(const std::string& path, std::string_view bytes, unsigned mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(mode & kNewFileMode));
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0)
            written += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR)
            ok = false;
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

bool FileFingerprint::Matches(const FileFingerprint& other) const {
    if (state != other.state || state == State::Unreadable)
        return false;
    return state == State::Missing || (size == other.size && hash == other.hash);
}

// The hash's state lives outside the header, so that the library's header stays this file's.
struct FingerprintBuilder::State {
    struct Free {
        void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
    };
    std::unique_ptr<XXH3_state_t, Free> xxh{XXH3_createState()};
};

FingerprintBuilder::FingerprintBuilder() : state_(std::make_unique<State>()) {
    if (state_->xxh == nullptr || XXH3_128bits_reset(state_->xxh.get()) != XXH_OK)
        throw std::bad_alloc();
}

FingerprintBuilder::~FingerprintBuilder() = default;

void FingerprintBuilder::Add(std::string_view bytes) {
    size_ += bytes.size();
    XXH3_128bits_update(state_->xxh.get(), bytes.data(), bytes.size());
}

FileFingerprint FingerprintBuilder::Result() const {
    // The digest leaves the state as it was: a reader may go on adding blocks.
    const XXH128_hash_t digest = XXH3_128bits_digest(state_->xxh.get());
    FileFingerprint fingerprint;
    fingerprint.state = FileFingerprint::State::Present;
    fingerprint.size = size_;
    fingerprint.hash = {digest.low64, digest.high64};
    return fingerprint;
}

FileFingerprint FingerprintOf(std::string_view bytes) {
    FingerprintBuilder builder;
    builder.Add(bytes);
    return builder.Result();
}

FileFingerprint FingerprintOfFile(const std::string& path) {
    const WholeFile file = ReadWholeFile(path);
    switch (file.state) {
    case WholeFile::State::Read:
        return FingerprintOf(file.text);
    case WholeFile::State::Unreadable:
        return {FileFingerprint::State::Unreadable};
    case WholeFile::State::Missing:
        break;
    }
    return {};
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    const std::string target = FollowLinks(path);
    if (target.empty())
        return std::nullopt;
    const FolderAndName parts = Split(target);
    struct stat folder {};
    if (::stat(parts.folder.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(folder.st_dev),
                        static_cast<std::uint64_t>(folder.st_ino), parts.name};
}

} // namespace platform
