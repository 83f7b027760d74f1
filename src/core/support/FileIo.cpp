#include "core/support/FileIo.h"

#include "core/support/StringUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

WriteFaultHook& FaultHook()
{
    static WriteFaultHook hook;
    return hook;
}

bool Injected(WriteStep step)
{
    const auto& hook = FaultHook();
    return hook && hook(step);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Follows a chain of symbolic links to the file they finally name, so that a save replaces the
// target and leaves the links in place. A dangling link names the file it would create.
std::string ResolveLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n <= 0)
            return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    return path;
}

// A file or folder whose permission bits grant writing to nobody counts as read-only, also for
// a user who could override it.
bool MarkedReadOnly(const struct stat& st)
{
    return (st.st_mode & 0222) == 0;
}

mode_t DefaultFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes `bytes` to a new temporary file beside `target` (a file, or nothing yet), with the
// target's permissions and owner, flushed to disk when `flush` is set; returns its path. On any
// failure nothing is left behind and `fail()` is thrown.
template <typename Fail>
std::string WriteTemporaryBeside(const std::string& target, std::string_view bytes, bool flush,
                                 const Fail& fail)
{
    const std::string folder = FolderOf(target);
    struct stat folderStat;
    if (stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode) ||
        MarkedReadOnly(folderStat))
        throw fail();

    struct stat targetStat;
    const bool exists = lstat(target.c_str(), &targetStat) == 0;
    if (exists && (!S_ISREG(targetStat.st_mode) || MarkedReadOnly(targetStat) ||
                   access(target.c_str(), W_OK) != 0))
        throw fail();

    const auto slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    const int fd =
        Injected(WriteStep::CreateTemporary) ? -1 : mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        throw fail();

    const auto abandon = [&] {
        close(fd);
        unlink(temporary.c_str());
        return fail();
    };

    if (Injected(WriteStep::Write))
        throw abandon();
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw abandon();
        written += static_cast<std::size_t>(n);
    }
    if (flush && (Injected(WriteStep::Flush) || fsync(fd) != 0))
        throw abandon();

    const mode_t mode = exists ? (targetStat.st_mode & 07777) : DefaultFileMode();
    if (Injected(WriteStep::KeepPermissions) || fchmod(fd, mode) != 0)
        throw abandon();
    if (exists && (targetStat.st_uid != geteuid() || targetStat.st_gid != getegid())) {
        // Only a privileged user can hand the file back to its owner; others keep their own.
        [[maybe_unused]] const int ignored = fchown(fd, targetStat.st_uid, targetStat.st_gid);
    }
    if (close(fd) != 0) {
        unlink(temporary.c_str());
        throw fail();
    }
    return temporary;
}

} // namespace

void SetWriteFaultHook(WriteFaultHook hook)
{
    FaultHook() = std::move(hook);
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderCanBeWritten(const std::string& folder)
{
    const std::string path = folder.empty() ? std::string(".") : folder;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && !MarkedReadOnly(st) &&
           faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

FileState ReadRegularFile(const std::string& path, std::string& bytes)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileState::Unreadable;
    try {
        bytes = ReadFileBytes(path);
    } catch (const FileError&) {
        return FileState::Unreadable;
    }
    return FileState::Read;
}

std::string ReadFileBytes(const std::string& path)
{
    const auto fail = [&] { return FileError(FormatMessage(kCannotOpenFile, path)); };
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fail();
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        throw fail();
    }
    std::string bytes;
    const bool read =
        ReadDescriptor(fd, bytes, S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0);
    close(fd);
    if (!read)
        throw fail();
    return bytes;
}

bool ReadDescriptor(int fd, std::string& bytes, std::size_t sizeHint, std::size_t limit)
{
    bytes.clear();
    bytes.reserve(std::min(sizeHint, limit));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (static_cast<std::size_t>(n) > limit - bytes.size())
            return false;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string_view errorFormat)
{
    const auto fail = [&] { return FileError(FormatMessage(errorFormat, path)); };
    if (path.empty())
        throw fail();

    const std::string target = ResolveLinks(path);
    const std::string folder = FolderOf(target);

    const std::string temporary = WriteTemporaryBeside(target, bytes, true, fail);
    if (Injected(WriteStep::Rename) || rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        throw fail();
    }

    // Make the rename itself durable; a failure here no longer endangers the old or new file.
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

namespace {

// Flushes the file systems that hold the folders of `paths`, one call per file system.
bool FlushFileSystems(const std::vector<std::string>& paths)
{
    std::set<dev_t> done;
    bool ok = true;
    for (const std::string& path : paths) {
        const std::string folder = FolderOf(path);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0) {
            ok = false;
            continue;
        }
        if (!done.insert(st.st_dev).second)
            continue;
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || syncfs(fd) != 0)
            ok = false;
        if (fd >= 0)
            close(fd);
    }
    return ok;
}

} // namespace

AtomicFileBatch::~AtomicFileBatch()
{
    Discard();
}

std::size_t AtomicFileBatch::Stage(const std::string& path, std::string_view bytes)
{
    const auto fail = [&] { return FileError(FormatMessage(kUnableToWrite, path)); };
    std::string temporary = WriteTemporaryBeside(path, bytes, false, fail);
    m_files.push_back({path, std::move(temporary)});
    return m_files.size() - 1;
}

void AtomicFileBatch::Flush()
{
    std::vector<std::string> temporaries;
    for (const Staged& file : m_files)
        if (!file.committed)
            temporaries.push_back(file.temporary);
    if (Injected(WriteStep::Flush) || !FlushFileSystems(temporaries))
        throw FileError(FormatMessage(kUnableToWrite,
                                      m_files.empty() ? std::string() : m_files.front().target));
}

void AtomicFileBatch::Commit(std::size_t index)
{
    Staged& file = m_files.at(index);
    if (file.committed)
        return;
    if (Injected(WriteStep::Rename) || rename(file.temporary.c_str(), file.target.c_str()) != 0)
        throw FileError(FormatMessage(kUnableToWrite, file.target));
    file.committed = true;
}

void AtomicFileBatch::Finish()
{
    std::vector<std::string> targets;
    for (const Staged& file : m_files)
        if (file.committed)
            targets.push_back(file.target);
    FlushFileSystems(targets);
}

void AtomicFileBatch::Discard()
{
    for (Staged& file : m_files) {
        if (!file.committed)
            unlink(file.temporary.c_str());
        file.committed = true;
    }
}

} // namespace qv
