#include "platform/TextFile.h"
#include "platform/FileLock.h"

#include "../OtherUser.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

class TextFiles : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const std::string& bytes) {
        const std::string path = folder_.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t EntryCount() { return EntryCount(folder_.Path()); }
    static std::size_t EntryCount(const fs::path& folder) {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++n;
        return n;
    }

    const TempFolder folder_;
};

const std::string kTooLong = "<too long>";

// Every line up to the end, an over-long one as kTooLong.
std::vector<std::string> ReadAll(LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    for (LineReader::Status status; (status = reader.Read(line)) != LineReader::Status::End;)
        lines.push_back(status == LineReader::Status::TooLong ? kTooLong : line);
    return lines;
}

} // namespace

TEST_F(TextFiles, LfCrlfAndLastLineWithoutEnd) {
    LineReader reader(Put("a.txt", "one\ntwo\r\n\r\n\nthree\r\nlast"));
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"one", "two", "", "", "three", "last"}));
    std::string line = "x";
    EXPECT_EQ(reader.Read(line), LineReader::Status::End);
    EXPECT_EQ(line, "");
}

// A reader's fingerprint is taken from the blocks it reads, a writer's from its whole text: the
// same bytes must give the same one however they were cut, and one changed byte another.
TEST_F(TextFiles, AReadersFingerprintIsThatOfTheBytesItRead) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * 65536 + 13; ++i)
        bytes += "O|" + std::to_string(i) + "|T|01/02/2024|A|10|1500|*\n";
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{7}, std::size_t{65536}, std::size_t{65541}, bytes.size()}) {
        SCOPED_TRACE(size);
        const std::string text = bytes.substr(0, size);
        LineReader reader(Put("f.txt", text));
        ReadAll(reader);
        EXPECT_TRUE(reader.Fingerprint().Matches(FingerprintOf(text)));
        EXPECT_TRUE(FingerprintOfFile(folder_.File("f.txt")).Matches(FingerprintOf(text)));
        FingerprintBuilder pieces;
        for (std::size_t at = 0; at < text.size(); at += 3)
            pieces.Add(std::string_view(text).substr(at, 3));
        EXPECT_TRUE(pieces.Result().Matches(FingerprintOf(text)));
        if (!text.empty()) {
            std::string changed = text;
            changed[size / 2] ^= 1;
            EXPECT_FALSE(FingerprintOf(changed).Matches(FingerprintOf(text)));
            EXPECT_FALSE(FingerprintOf(text + '\0').Matches(FingerprintOf(text)));
        }
    }
}

// Another window ticks two trades: two bytes of the file change. Each tick here falls on the
// last byte of an eight-byte word, where a hash that mixes whole words by multiplication only
// reaches its top bits, and the two can cancel each other out.
TEST_F(TextFiles, AFingerprintSeesTwoTicksAnywhereInTheFile) {
    std::string trades;
    for (int i = 0; i < 40; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "O|S%03d|F|05/03/24|A|%04d|1500|0|0|0|F|*\n", i, 100 + i);
        trades += line; // 40 bytes, its tick the eighth
    }
    const FileFingerprint seen = FingerprintOf(trades);
    for (const auto& [first, second] : {std::pair{1, 39}, std::pair{2, 6}, std::pair{14, 17}}) {
        std::string ticked = trades;
        ticked[40 * first + 7] = 'T';
        ticked[40 * second + 7] = 'T';
        EXPECT_FALSE(FingerprintOf(ticked).Matches(seen)) << first << ' ' << second;
    }
}

TEST_F(TextFiles, EmptyAndMissingFiles) {
    LineReader empty(Put("empty.txt", ""));
    std::string line;
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_EQ(empty.Read(line), LineReader::Status::End);
    LineReader missing(folder_.File("nope.txt"));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.Read(line), LineReader::Status::End);
    EXPECT_FALSE(empty.Failed());
    EXPECT_FALSE(missing.Failed());
}

TEST_F(TextFiles, OnlyReadableRegularFilesOpen) {
    const std::string file = Put("plain.txt", "x\n");
    std::filesystem::create_directory(folder_.Path() / "folder");
    const std::string folder = folder_.File("folder");
    EXPECT_TRUE(IsReadableRegularFile(file));
    EXPECT_FALSE(IsReadableRegularFile(folder));
    EXPECT_FALSE(IsReadableRegularFile(folder_.File("nope.txt")));
    EXPECT_FALSE(IsReadableRegularFile("/dev/null"));
    EXPECT_FALSE(LineReader(folder).IsOpen());
    EXPECT_FALSE(LineReader("/dev/null").IsOpen());
    EXPECT_TRUE(LineReader(file).IsOpen());
    // A named pipe with no writer would hold an ordinary open for ever.
    ASSERT_EQ(::mkfifo((folder_.Path() / "pipe").c_str(), 0644), 0);
    EXPECT_FALSE(LineReader(folder_.File("pipe")).IsOpen());
}

TEST_F(TextFiles, OnlyWhatIsThereAndNotAFileIsNoWriteTarget) {
    const std::string file = Put("plain.txt", "x\n");
    std::filesystem::create_directory(folder_.Path() / "folder");
    EXPECT_FALSE(IsUnfitTarget(file));
    EXPECT_FALSE(IsUnfitTarget(folder_.File("nope.txt"))); // created when written
    EXPECT_TRUE(IsUnfitTarget(folder_.File("folder")));
    EXPECT_TRUE(IsUnfitTarget("/dev/null"));
}

TEST_F(TextFiles, AWholeFileIsMissingOnlyWhenNothingIsThere) {
    const std::string bytes("one\r\ntwo\0\xFF\nlast", 15);
    WholeFile read = ReadWholeFile(Put("a.bin", bytes));
    EXPECT_EQ(read.state, WholeFile::State::Read);
    EXPECT_EQ(read.text, bytes);
    EXPECT_EQ(ReadWholeFile(Put("empty", "")).state, WholeFile::State::Read);
    // Larger than one read, so that the pieces must be put together in order.
    std::string large;
    for (int i = 0; large.size() < 200000; ++i)
        large += std::to_string(i) + ';';
    EXPECT_EQ(ReadWholeFile(Put("large", large)).text, large);

    for (const fs::path& nothing :
         {folder_.Path() / "nope", folder_.Path() / "no-folder" / "nope",
          folder_.Path() / "a.bin" / "nope", folder_.Path() / std::string(5000, 'x')}) {
        SCOPED_TRACE(nothing.string());
        const WholeFile missing = ReadWholeFile(nothing.string());
        EXPECT_EQ(missing.state, WholeFile::State::Missing);
        EXPECT_TRUE(missing.reason.empty());
    }

    fs::create_directory(folder_.Path() / "folder");
    ASSERT_EQ(::mkfifo((folder_.Path() / "pipe").c_str(), 0644), 0);
    for (const std::string& there :
         {folder_.File("folder"), folder_.File("pipe"), std::string("/dev/null")}) {
        SCOPED_TRACE(there);
        const WholeFile file = ReadWholeFile(there);
        EXPECT_EQ(file.state, WholeFile::State::Unreadable);
        EXPECT_EQ(file.reason, "ce n'est pas un fichier");
        EXPECT_TRUE(file.text.empty());
    }
}

TEST_F(TextFiles, AWholeFileTheUserMayNotReadIsThereButUnreadable) {
    const std::string path = Put("secret", "x\n");
    fs::permissions(path, fs::perms::none);
    WholeFile file;
    {
        const OtherUser user;
        if (!user.Active())
            GTEST_SKIP() << "no other user to read as";
        file = ReadWholeFile(path);
    }
    EXPECT_EQ(file.state, WholeFile::State::Unreadable);
    EXPECT_EQ(file.reason, "accès refusé");
    EXPECT_TRUE(file.text.empty());
}

TEST_F(TextFiles, OverLongLinesAreSkippedWhole) {
    const std::string ten = "0123456789";
    LineReader reader(Put("long.txt", ten + "\n" + ten + "A\n" + ten + "\r\n" + ten + "A\r\n" +
                                          std::string(5000, 'x') + "\nend"),
                      10);
    // The CR of the third line does not count.
    EXPECT_EQ(ReadAll(reader),
              (std::vector<std::string>{ten, kTooLong, ten, kTooLong, kTooLong, "end"}));
}

TEST_F(TextFiles, DefaultLimitIs511) {
    LineReader reader(Put("l.txt", std::string(511, 'a') + "\n" + std::string(512, 'b') + "\n"));
    EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{std::string(511, 'a'), kTooLong}));
}

TEST_F(TextFiles, Windows1252LinesBecomeUtf8) {
    LineReader reader(Put("enc.txt", "caf\xE9\n"
                                     "caf\xC3\xA9 \xE2\x82\xAC\n"
                                     "\x80 \x9C\x8D\n"
                                     "\xEF\xBB\xBFnot first\n"));
    EXPECT_EQ(ReadAll(reader),
              (std::vector<std::string>{"café", "café €", "€ œ\xC2\x8D", "\xEF\xBB\xBFnot first"}));
    // A byte order mark at the head of the file is dropped.
    LineReader bom(Put("bom.txt", "\xEF\xBB\xBFhead\n"));
    EXPECT_EQ(ReadAll(bom), std::vector<std::string>{"head"});
    // The head of the file is its first line even when that one is too long: a mark on the
    // next is text.
    LineReader apres(Put("bom2.txt", std::string(20, 'x') + "\n\xEF\xBB\xBFsecond\n"), 10);
    EXPECT_EQ(ReadAll(apres), (std::vector<std::string>{kTooLong, "\xEF\xBB\xBFsecond"}));
}

TEST(ToUtf8, KeepsValidTextAndDecodesTheRest) {
    EXPECT_EQ(ToUtf8("plain"), "plain");
    EXPECT_EQ(ToUtf8("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    // Overlong forms, surrogates and truncated sequences are not UTF-8.
    EXPECT_EQ(ToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(ToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    EXPECT_EQ(ToUtf8("ab\xC3"), "ab\xC3\x83");
    EXPECT_EQ(ToUtf8("\x92"), "\xE2\x80\x99");
}

TEST_F(TextFiles, AtomicWriterReplacesOnCommitOnly) {
    const std::string path = Put("doc.cvx", "previous");
    {
        AtomicFileWriter writer(path);
        ASSERT_TRUE(writer.IsOpen());
        writer.Write("half-written");
        EXPECT_EQ(Get(path), "previous");
    } // dropped without Commit
    EXPECT_EQ(Get(path), "previous");
    EXPECT_EQ(EntryCount(), 1u);
    {
        AtomicFileWriter writer(path);
        writer.Write("new ");
        writer.Write("content\n");
        EXPECT_TRUE(writer.Commit());
        EXPECT_FALSE(writer.Commit());
    }
    EXPECT_EQ(Get(path), "new content\n");
    EXPECT_EQ(EntryCount(), 1u);
    AtomicFileWriter fresh(folder_.File("fresh.txt"));
    EXPECT_TRUE(fresh.Commit());
    EXPECT_EQ(Get(folder_.File("fresh.txt")), "");
    EXPECT_EQ(fresh.Error(), 0);

    // Every name the system takes, up to its 255 bytes, though "name.tmp-XXXXXX" would not
    // fit; two long names that differ only at their end keep apart.
    std::size_t entries = EntryCount();
    for (const std::size_t length : {244u, 245u, 250u, 255u}) {
        for (const char last : {'a', 'b'}) {
            const std::string name = std::string(length - 5, 'n') + last + ".cvx";
            SCOPED_TRACE(name.size());
            for (const char* text : {"first", "second"}) {
                AtomicFileWriter writer(folder_.File(name));
                ASSERT_TRUE(writer.IsOpen());
                writer.Write(text);
                EXPECT_TRUE(writer.Commit());
                EXPECT_EQ(Get(folder_.File(name)), text);
            }
            EXPECT_EQ(EntryCount(), ++entries); // the target only
        }
    }
}

TEST_F(TextFiles, AtomicWriterFailuresLeaveNoTrace) {
    AtomicFileWriter noFolder(folder_.File("missing/doc.cvx"));
    EXPECT_FALSE(noFolder.IsOpen());
    noFolder.Write("text");
    EXPECT_FALSE(noFolder.Commit());
    EXPECT_FALSE(fs::exists(folder_.Path() / "missing"));

    // A folder where the file should be: the rename fails, the folder and its content stay.
    fs::create_directory(folder_.Path() / "taken");
    Put("taken/inside.txt", "kept");
    {
        AtomicFileWriter writer(folder_.File("taken"));
        writer.Write("text");
        EXPECT_FALSE(writer.Commit());
    }
    EXPECT_TRUE(fs::is_directory(folder_.Path() / "taken"));
    EXPECT_EQ(Get(folder_.File("taken/inside.txt")), "kept");
    EXPECT_EQ(EntryCount(), 1u);

    // A name the system refuses is refused for that reason, before anything is made.
    AtomicFileWriter tooLong(folder_.File(std::string(252, 'n') + ".cvx"));
    EXPECT_FALSE(tooLong.IsOpen());
    EXPECT_FALSE(tooLong.Commit());
    EXPECT_EQ(tooLong.Error(), ENAMETOOLONG);
    EXPECT_EQ(EntryCount(), 1u);
}

// A save stopped half-way (the program killed) leaves nothing where the folder takes unnamed
// files, and a temporary of its own elsewhere. No save ever removes a file it did not create:
// the user's files named as the temporaries of its target stay, whatever their age.
TEST_F(TextFiles, AtomicWriterRemovesTheTemporariesItsTargetWasLeftWith) {
    const auto age = [](const fs::path& path, std::time_t seconds) {
        const std::time_t then = std::time(nullptr) - seconds;
        const timespec times[2] = {{then, 0}, {then, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    };
    const auto save = [](const fs::path& path) {
        AtomicFileWriter writer(path.string());
        writer.Write("saved");
        return writer.Commit();
    };
    // A short name, and one whose temporaries have a shortened name: cut to leave room for
    // ".tmp-" and six characters within the system's 255 bytes.
    const std::string longName = std::string(251, 'd') + ".cvx";
    for (const auto& [name, prefix] :
         {std::pair{std::string("doc.cvx"), std::string("doc.cvx.tmp-")},
          std::pair{longName, longName.substr(0, 244) + ".tmp-"}}) {
        SCOPED_TRACE(name.size());
        const TempFolder folder;
        const fs::path target = folder.Path() / name;
        ASSERT_TRUE(save(target));
        // A save killed after its first write: its process ends, its destructor never runs.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFileWriter writer(target.string());
            writer.Write("half");
            ::_exit(writer.IsOpen() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(WEXITSTATUS(status), 0);
        const int unnamed = ::open(folder.Path().c_str(), O_TMPFILE | O_WRONLY, 0600);
        ASSERT_EQ(EntryCount(folder.Path()), unnamed >= 0 ? 1u : 2u);
        if (unnamed >= 0)
            ::close(unnamed);
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(folder.Path()))
            if (entry.path() != target)
                kept.push_back(entry.path()); // a killed save's temporary, without a name here
        const std::string deadName = prefix + "Ab12Cd";

        // What stays: the user's files named exactly as temporaries of the target, names off
        // the pattern by a character, another target's temporary, a folder, a link and another
        // user's file named as temporaries, one written a moment ago, one that a save under way
        // for over a minute holds locked and one another program holds open without a lock.
        std::vector<std::string> others = {
            prefix + "backup",        prefix + "202612", prefix + "Ab12",
            'e' + deadName.substr(1), prefix + "Ab12-4", prefix + "Other1",
            prefix + "Young1",        prefix + "Lockd1", prefix + "Open12"};
        if (deadName.size() < 255) // a longer name cannot be made
            others.push_back(prefix + "Ab1234x");
        for (const std::string& other : others) {
            kept.push_back(folder.Path() / other);
            std::ofstream(kept.back()) << "other";
        }
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown((folder.Path() / (prefix + "Other1")).c_str(), 65534, 65534), 0);
        }
        kept.push_back(folder.Path() / (prefix + "Dir123"));
        fs::create_directory(kept.back());
        kept.push_back(folder.Path() / (prefix + "Lnk123"));
        fs::create_symlink(target, kept.back());
        const int holder = ::open((folder.Path() / (prefix + "Lockd1")).c_str(), O_RDONLY);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        const int writing = ::open((folder.Path() / (prefix + "Open12")).c_str(), O_WRONLY);
        ASSERT_GE(writing, 0);
        for (const fs::path& path : kept)
            if (path.filename() != prefix + "Young1")
                age(path, 120);

        ASSERT_TRUE(save(target));
        ::close(holder);
        ::close(writing);
        for (const fs::path& path : kept)
            EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
        EXPECT_EQ(EntryCount(folder.Path()), kept.size() + 1);
        EXPECT_EQ(Get(target.string()), "saved");
    }
}

TEST_F(TextFiles, AtomicWriterWritesThroughSymbolicLinks) {
    fs::create_directory(folder_.Path() / "real");
    const std::string target = Put("real/doc.cvx", "previous");
    const auto write = [](const fs::path& path, const std::string& text) {
        AtomicFileWriter writer(path.string());
        EXPECT_TRUE(writer.IsOpen());
        writer.Write(text);
        return writer.Commit();
    };

    // An absolute link, a relative one, and a chain ending in the relative one.
    fs::create_symlink(target, folder_.Path() / "absolute.cvx");
    fs::create_symlink("real/doc.cvx", folder_.Path() / "relative.cvx");
    fs::create_symlink("relative.cvx", folder_.Path() / "chain.cvx");
    for (const char* name : {"absolute.cvx", "relative.cvx", "chain.cvx"}) {
        SCOPED_TRACE(name);
        const std::string text = std::string("through ") + name;
        EXPECT_TRUE(write(folder_.Path() / name, text));
        EXPECT_TRUE(fs::is_symlink(folder_.Path() / name));
        EXPECT_EQ(Get(target), text);
        EXPECT_EQ(EntryCount(folder_.Path() / "real"),
                  1u); // no temporary file left beside the target
    }
    EXPECT_TRUE(fs::is_symlink(folder_.Path() / "relative.cvx"));
    EXPECT_EQ(fs::read_symlink(folder_.Path() / "chain.cvx"), "relative.cvx");

    // A link to a file not written yet: the file is created where the link points.
    fs::create_symlink("real/new.cvx", folder_.Path() / "dangling.cvx");
    EXPECT_TRUE(write(folder_.Path() / "dangling.cvx", "created"));
    EXPECT_TRUE(fs::is_symlink(folder_.Path() / "dangling.cvx"));
    EXPECT_EQ(Get(folder_.File("real/new.cvx")), "created");
    EXPECT_EQ(EntryCount(), 5u);
}

TEST_F(TextFiles, AtomicWriterRefusesLinksThatLeadNowhere) {
    // Links in a loop, and a link into a missing folder: nothing is written, the links stay.
    fs::create_symlink("b.cvx", folder_.Path() / "a.cvx");
    fs::create_symlink("a.cvx", folder_.Path() / "b.cvx");
    fs::create_symlink("missing/doc.cvx", folder_.Path() / "lost.cvx");
    for (const char* name : {"a.cvx", "lost.cvx"}) {
        SCOPED_TRACE(name);
        AtomicFileWriter writer(folder_.File(name));
        EXPECT_FALSE(writer.IsOpen());
        writer.Write("text");
        EXPECT_FALSE(writer.Commit());
        EXPECT_TRUE(fs::is_symlink(folder_.Path() / name));
    }
    EXPECT_EQ(fs::read_symlink(folder_.Path() / "a.cvx"), "b.cvx");
    EXPECT_EQ(EntryCount(), 3u);
}

TEST_F(TextFiles, AppendToFile) {
    const std::string path = folder_.File("alarms.log");
    EXPECT_TRUE(AppendToFile(path, "first\n"));
    EXPECT_TRUE(AppendToFile(path, "second\n"));
    EXPECT_EQ(Get(path), "first\nsecond\n");
    EXPECT_FALSE(AppendToFile(folder_.File("missing/a.log"), "x"));
    fs::create_directory(folder_.Path() / "folder");
    EXPECT_FALSE(AppendToFile(folder_.File("folder"), "x"));
}

// Neither writer waits on a pipe, whether a reader holds it open or not, nor writes into it.
TEST_F(TextFiles, WritersRefuseAPipeWithoutWaiting) {
    const std::string pipe = folder_.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(AppendToFile(pipe, "x\n"));
    EXPECT_EQ(OpenForWriting(pipe, WriteMode::Replace), nullptr);
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0); // nothing reached the pipe
    ::close(reader);
    EXPECT_FALSE(AppendToFile(pipe, "x\n"));
    EXPECT_EQ(OpenForWriting(pipe, WriteMode::Append), nullptr);
    EXPECT_EQ(UnfitReason(pipe), "ce n'est pas un fichier");
}

// Every writer: a new file gets what the umask leaves of read and write for all; a file that
// is there keeps its mode.
TEST_F(TextFiles, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
    struct Masque {
        explicit Masque(mode_t m) : previous(::umask(m)) {}
        ~Masque() { ::umask(previous); }
        mode_t previous;
    } masque(077);
    const auto mode = [](const std::string& path) {
        struct stat status {};
        EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
        return status.st_mode & 07777;
    };
    const std::vector<std::pair<const char*, std::function<bool(const std::string&)>>> writers = {
        {"atomic",
         [](const std::string& path) {
             AtomicFileWriter writer(path);
             writer.Write("text\n");
             return writer.Commit();
         }},
        {"append", [](const std::string& path) { return AppendToFile(path, "text\n"); }},
        {"replace",
         [](const std::string& path) {
             std::FILE* file = OpenForWriting(path, WriteMode::Replace);
             return file != nullptr && std::fclose(file) == 0;
         }},
        {"copy", [](const std::string& path) { return CreateCopy(path, "text\n", 0666); }}};
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        const std::string fresh = folder_.File(std::string(name) + ".new");
        ASSERT_TRUE(write(fresh));
        EXPECT_EQ(mode(fresh), 0600u);
        if (std::string(name) == "copy")
            continue; // never writes over a file
        const std::string old = Put(std::string(name) + ".old", "before\n");
        ASSERT_EQ(::chmod(old.c_str(), 0644), 0);
        ASSERT_TRUE(write(old));
        EXPECT_EQ(mode(old), 0644u);
    }
    // A copy takes no more than the mode it is given, nor more than the umask allows.
    ::umask(022);
    const std::string copy = folder_.File("private.bak");
    ASSERT_TRUE(CreateCopy(copy, "secret", 0600));
    EXPECT_EQ(mode(copy), 0600u);
    EXPECT_FALSE(CreateCopy(copy, "other", 0600)); // the path is taken
    EXPECT_EQ(Get(copy), "secret");
}

// One writer at a time across programs: another program's hold makes this one wait and give
// up, a second hold in this program goes on at once, and a killed holder frees the folder.
TEST_F(TextFiles, AFolderLockIsOneWriterAtATimeAndDiesWithItsHolder) {
    const std::string file = Put("doc.cvx", "x");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FolderLock held(file);
        const char byte = held.Held() ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        ::pause(); // killed while it holds the lock
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');

    {
        const FolderLock waited(file, std::chrono::milliseconds(50));
        EXPECT_FALSE(waited.Held());
        EXPECT_TRUE(waited.TimedOut());
        // A file of the same folder, by another name or through a link, is the same lock.
        fs::create_symlink(file, folder_.File("lien.cvx"));
        const FolderLock throughLink(folder_.File("lien.cvx"), std::chrono::milliseconds(0));
        EXPECT_FALSE(throughLink.Held());
    }

    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ::close(ready[1]);

    // Another program, started before this one takes the lock: a forked program shares the
    // locks its parent held at the fork.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        char start = 0;
        (void)!::read(go[0], &start, 1);
        const FolderLock tried(file, std::chrono::milliseconds(0));
        ::_exit(tried.Held() ? 1 : 0);
    }
    {
        const FolderLock first(file, std::chrono::milliseconds(1000));
        ASSERT_TRUE(first.Held());
        {
            const FolderLock nested(folder_.File("autre.cvl"), std::chrono::milliseconds(0));
            EXPECT_TRUE(nested.Held());
        }
        // Still held by the first after the nested one let go.
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        ASSERT_EQ(::waitpid(other, &status, 0), other);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ::close(go[0]);
    ::close(go[1]);
    const FolderLock again(file, std::chrono::milliseconds(0));
    EXPECT_TRUE(again.Held());
}
