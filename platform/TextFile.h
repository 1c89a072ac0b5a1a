#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A character that every code page the program's files meet writes alike, and that shows.
constexpr bool IsPrintableAscii(char32_t c) {
    return c >= 0x20 && c < 0x7F;
}

// What a file holds, taken when a program reads or writes it, to tell later whether anything
// else wrote it since.
struct FileFingerprint {
    enum class State { Missing, Present, Unreadable };
    State state = State::Missing;
    std::uint64_t size = 0;
    std::array<std::uint64_t, 2> hash{}; // 128 bits: low, high
    // Both found nothing at the path, or the same bytes in it. What could not be read matches
    // nothing: it may hold anything.
    bool Matches(const FileFingerprint& other) const;
};

// The fingerprint of bytes given a piece at a time: however they are cut, the same bytes give
// the same fingerprint, so a reader takes it from the blocks it reads and a writer from the
// text it wrote. A real hash of every byte (XXH3, 128 bits): any edit another program makes,
// two ticks in two trades as well as one, changes it.
class FingerprintBuilder {
public:
    FingerprintBuilder();
    ~FingerprintBuilder();
    FingerprintBuilder(const FingerprintBuilder&) = delete;
    FingerprintBuilder& operator=(const FingerprintBuilder&) = delete;

    void Add(std::string_view bytes);
    FileFingerprint Result() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::uint64_t size_ = 0;
};

FileFingerprint FingerprintOf(std::string_view bytes);
// Missing and Unreadable as ReadWholeFile tells them.
FileFingerprint FingerprintOfFile(const std::string& path);

// A file whatever path leads to it: the folder that finally holds it (symbolic links
// followed), by device and inode, and its name there. A save puts a new file (a new inode)
// under the same name, and a removed file still has its place: the folder and the name are
// what stays the same file for a user.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string name;
    auto operator<=>(const FileIdentity&) const = default;
};

// Empty when the folder cannot be looked at, or the links go round in a loop.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The file that a path finally names: symbolic links are followed, link after link, to the
// file they point to, which need not exist yet. Renaming a new file over a link would replace
// the link and leave the file it points to unchanged. Empty when the links go round in a loop.
std::string FollowLinks(const std::string& path);

// Reads a text file line by line. Accepts LF and CRLF; a line is returned without its end.
// Lines are returned in UTF-8: a line that is not valid UTF-8 is decoded as Windows-1252, so
// files written in that code page, as earlier portfolio files are, read correctly.
class LineReader {
public:
    enum class Status { Line, TooLong, End };

    // maxLength: the most characters (bytes) a line may hold; a longer line is reported as
    // TooLong (its whole text is skipped, the next read starts on the following line).
    explicit LineReader(const std::string& path, std::size_t maxLength = 511);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False for a missing or unreadable path, and for anything that is not a regular file
    // (a folder opens on this system but holds no lines).
    bool IsOpen() const;
    Status Read(std::string& line);
    // True when reading stopped on an input error rather than at the end of the file.
    bool Failed() const;
    // The fingerprint of the bytes read so far: of the whole file once Read gave End without
    // failing, taken from what was read rather than by reading the file again.
    FileFingerprint Fingerprint() const;

private:
    static constexpr std::size_t kBlock = 1 << 16;
    bool Fill(); // the next block of the file; false at its end or on an error

    int fd_ = -1;
    std::size_t maxLength_;
    bool firstLine_ = true;
    bool failed_ = false;
    std::vector<char> buffer_;
    std::size_t next_ = 0; // the first byte of the block not yet taken
    std::size_t end_ = 0;  // the block's size
    FingerprintBuilder fingerprint_;
};

// True when the path names an existing regular file that this user may read; a folder, a
// pipe or a device is not a file the user can open as a document.
bool IsReadableRegularFile(const std::string& path);

// True when something stands at the path that IsReadableRegularFile refuses (a folder, a pipe,
// a device, a file this user may not read): a file written there would replace it or fail, so
// it is no target for a document. A path that names nothing is fit: the file is created.
bool IsUnfitTarget(const std::string& path);

// Why what stands at the path is no file the program may open by itself ("ce n'est pas un
// fichier", "accès refusé"), as the user is told; empty when nothing is there or when it is a
// regular file this user may read.
std::string UnfitReason(const std::string& path);

// A file read whole, for the files the program reads often and in full (histories).
struct WholeFile {
    enum class State { Read, Missing, Unreadable };
    State state = State::Missing;
    std::string text;   // the file's bytes, when Read
    std::string reason; // why a file that is there could not be read, as the user is told
};

// Missing only when nothing is at the path (a folder on the way missing or not a folder
// included). A folder, a pipe or a device at the path, a file this user may not read, or a
// read error make it Unreadable: such a file is there, and must not pass for an empty one.
WholeFile ReadWholeFile(const std::string& path);

// Converts Windows-1252 text to UTF-8; valid UTF-8 is returned unchanged.
std::string ToUtf8(std::string_view text);

// Every file the program creates asks for reading and writing by all: the user's umask (or
// the folder's default permissions) takes away what the user keeps private. A file that is
// there already keeps its own mode.
inline constexpr unsigned kNewFileMode = 0666;

// Writes a file safely: the text goes to a temporary file in the same folder, which is
// flushed, synced and renamed over the target only when everything was written. A failure
// leaves the previous file untouched. A path that is a symbolic link (or a chain of them)
// writes the file the link points to, in that file's folder; the link stays a link.
//
// The temporary has no name until the commit where the file system allows it (an unnamed
// file, O_TMPFILE), so a writer stopped before its end (a killed program) leaves nothing
// behind. Elsewhere it is named after the target ("name.tmp-" and six random characters, the
// name cut where that would not fit) and a killed writer leaves it: no writer ever removes a
// file it cannot prove it made, and a leftover temporary is better than a removed user file.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter(); // removes the temporary file when Commit was not reached
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool IsOpen() const;
    void Write(std::string_view text); // errors are remembered and reported by Commit
    bool Commit();                     // true when the target now holds exactly what was written
    // The system's error number of the step that failed (ENAMETOOLONG for a name the system
    // refuses); 0 while nothing failed.
    int Error() const;

private:
    void Fail(int error);

    std::string path_;
    std::string tempPath_; // the temporary's name; empty while it has none
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    int error_ = 0;
};

enum class WriteMode { Append, Replace };

// Opens a regular file for writing, creating it when missing; null when it cannot be opened or
// is no regular file. Never waits: a pipe at the path is refused at once, not held open until
// a reader comes. Replace empties the file once it is known to be one.
std::FILE* OpenForWriting(const std::string& path, WriteMode mode);

// Appends text to a file (created when missing), all of it or nothing: a write cut short (a
// full disk) is taken back, the file keeping its length. False when it cannot be written, or
// when the path is no regular file.
bool AppendToFile(const std::string& path, std::string_view text);

// Appends whole lines (the text ends with its line end) as AppendToFile does. A file that ends
// inside a line (a writer killed while it appended, an editor that left no line end) gets a
// line end first, so that the new lines are not glued to it.
bool AppendLines(const std::string& path, std::string_view lines);

// Writes bytes to a new file with at most the given permissions (the umask still applies);
// false, and nothing left behind, when the path is taken or the bytes cannot all be written.
bool CreateCopy(const std::string& path, std::string_view bytes, unsigned mode);

} // namespace platform
