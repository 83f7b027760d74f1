#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A failure of the file layer that abandons the current command. The text is what the user
// sees, with the file's path in it; the window's top-level handler shows it in a message box.
class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kCannotOpenFile = "Cannot open file %s";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file %s";
inline constexpr std::string_view kUnableToWrite = "Unable to write to %s";

// Whether a regular file (or a link to one) exists at the path.
bool FileExists(const std::string& path);

// Whether new files can be made in `folder`: it is a folder, this user may write in it, and its
// permission bits grant writing to someone. A folder whose bits grant writing to nobody counts as
// read-only, also for a user who could override them, as it does for WriteFileAtomically.
bool FolderCanBeWritten(const std::string& folder);

// The whole content of a file; throws FileError("Cannot open file <path>") when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Reads all that is left of an open file into `bytes` (replacing them), reserving `sizeHint`
// bytes first. False when reading fails or more than `limit` bytes come.
bool ReadDescriptor(int fd, std::string& bytes, std::size_t sizeHint = 0,
                    std::size_t limit = static_cast<std::size_t>(-1));

// Reads a file that may be missing into `bytes`. Only a regular file (or a link to one) is
// opened, so a FIFO or a device never blocks or floods the reader. A path that names nothing is
// Missing; one that names something that is no regular file, or cannot be read, is Unreadable,
// which a caller that writes must not take for an empty file.
enum class FileState { Missing, Read, Unreadable };
FileState ReadRegularFile(const std::string& path, std::string& bytes);

// Replaces the file at `path` with `bytes` so that a reader sees either the old or the new file
// and never a half-written one: the bytes go to a temporary file beside the target, are flushed
// to disk and renamed over it. An existing file's permissions are kept, and a symbolic link is
// written through to its target (the link stays a link). On any failure the old file is left
// untouched, the temporary file is removed, and FileError is thrown with `errorFormat` filled
// with the path.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string_view errorFormat = kUnableToWrite);

// Many files replaced together, each of them atomically as by WriteFileAtomically, but with the
// flushes to disk shared: every new content goes to a temporary file beside its target (Stage),
// one flush per file system puts them all on disk (Flush), each is renamed over its target
// (Commit), and one more flush makes the renames durable (Finish). A thousand pages then cost two
// flushes instead of a thousand. Whatever happens, every target holds either its old or its new
// bytes; temporary files not committed are removed when the batch goes.
class AtomicFileBatch final
{
public:
    AtomicFileBatch() = default;
    ~AtomicFileBatch();
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;

    // Writes the new bytes of the file at `path` (no link: the path is the file) to a temporary
    // file beside it, with the permissions of the file there (a new file gets the default ones).
    // Returns the file's number in the batch. Throws FileError "Unable to write to <path>",
    // leaving nothing behind.
    std::size_t Stage(const std::string& path, std::string_view bytes);

    // Puts every staged file on disk. Throws FileError when the system refuses.
    void Flush();

    // Renames staged file `index` over its target. Throws FileError "Unable to write to <path>"
    // when the rename fails; the target then keeps its old bytes.
    void Commit(std::size_t index);

    // Makes the renames durable. A failure no longer endangers any file and is not reported.
    void Finish();

    // Removes the temporary files not committed.
    void Discard();

private:
    struct Staged
    {
        std::string target;
        std::string temporary;
        bool committed = false;
    };
    std::vector<Staged> m_files;
};

// The steps of WriteFileAtomically, for tests that make one of them fail.
enum class WriteStep { CreateTemporary, Write, Flush, KeepPermissions, Rename };

// A test hook: called before each step; returning true makes that step fail as if the system
// had refused it. An empty hook (the default) injects nothing.
using WriteFaultHook = std::function<bool(WriteStep)>;
void SetWriteFaultHook(WriteFaultHook hook);

} // namespace qv
