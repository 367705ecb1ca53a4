// Files, folders and 8-bit text: the thin layer over the operating system that the settings,
// the books and the online update use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// The folder of the running program, with a trailing slash.
std::string ProgramFolder();

// The running program's file name without its extension ("vellumtide").
std::string ProgramBaseName();

// The name the program's file has in its folder on this system ("vellumtide", "vellumtide.exe"):
// the name an update puts the new program under and restarts.
extern const char* const ProgramFileName;

// The user's configuration folder for this program ($XDG_CONFIG_HOME/vellumtide/), with a trailing slash.
std::string UserConfigFolder();

// True when a regular file (not a folder) exists at path.
bool IsRegularFile(const std::string& path);

// True when nothing is at path, or a regular file that this user may both read and write, by its
// permissions as well as by the system's check (a file its owner made read-only counts as protected
// even for a user who could override that). Anything else (a folder, a FIFO, a device, a link to
// nothing) must not be replaced.
bool MayReplaceFile(const std::string& path);

// Gives the file at `to` the permissions of the file at `from`; false when either is missing.
bool CopyFileMode(const std::string& from, const std::string& to);

// True when a file can really be created in the folder (tried, not guessed from permission bits).
bool FolderIsWritable(const std::string& folder);

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

// Reads a whole regular file (a link is followed); false when it is missing, unreadable, or anything
// but a regular file: a folder, a FIFO or a device counts as missing and never blocks the call. At
// most the size the file had when it was opened is read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// The same for the first `most` bytes of the file at most.
bool ReadFileStart(const std::string& path, std::string& bytes, size_t most);
// The size of the regular file at path (a link is followed); false for anything else or no file.
bool RegularFileSize(const std::string& path, uint64_t& size);
// The same for at most `most` bytes from `offset` on (fewer, or none, near or past the end).
bool ReadFilePart(const std::string& path, uint64_t offset, std::string& bytes, size_t most);

// Reserves room for `size` bytes of text. A hint besides, which only the speed shows: where the
// system can, room of megabytes and more is made ready for use at once (the first use of fresh
// memory is what a copy of a large book costs most).
void ReserveLargeText(std::string& text, size_t size);

// What is at a path, a link there not followed.
enum class EntryKind { None, RegularFile, Folder, Link, Other };
EntryKind KindOfEntry(const std::string& path);

// The file a path finally names, its links followed (a relative link from the link's own folder);
// the path itself when it is no link, or its chain of links is too long. A link to nothing yet
// gives the path it would create.
std::string FinalLinkTarget(const std::string& path);

// The result of creating a file that must be new.
enum class CreateResult { Written, NameTaken, Failed };
// Creates a new file at path, never opening anything already there (NameTaken, nothing written),
// writes the bytes and flushes them to the disk; Failed on any other failure (the file is removed).
CreateResult CreateFileDurably(const std::string& path, const std::string& bytes);

// Writes a file anew and flushes it to the disk: whatever is at path (a file left by a save cut
// short, a FIFO, a device, a link) loses its name first and is never opened; a folder there is
// refused. False on any failure (a partial file is removed).
bool WriteFileDurably(const std::string& path, const std::string& bytes);

// Replaces the file that path finally names (through its links) with the bytes, by a temporary
// file `temporarySuffix` beside it, renamed over it once on the disk; the replaced file's
// permissions stay. False on failure: the old file is left as it was.
bool ReplaceFileDurably(const std::string& path, const std::string& bytes, const std::string& temporarySuffix);

// Renames a file, replacing the target; false on failure.
bool RenameFile(const std::string& from, const std::string& to);

// Deletes a file; false when it did not exist or could not be deleted.
bool DeleteFile(const std::string& path);

// Lets everyone who may read the file also run it; false on failure.
bool MakeExecutable(const std::string& path);

// The running program's file: UTF-8, '/' between folders ("" when it cannot be found).
std::string ExecutablePath();

// Length of the UTF-8 sequence that starts at s[i], or 0 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view s, size_t i);

// The character of a valid UTF-8 sequence of `length` bytes at s[i].
char32_t DecodeUtf8(std::string_view s, size_t i, size_t length);

// 8-bit text as UTF-8: text that is valid UTF-8 is kept, any other byte string is read as Windows-1252.
std::string BytesToUtf8(const std::string& bytes);

// Appends one character (below U+10000) to UTF-8 text.
void AppendUtf8(std::string& out, uint32_t code);

// Cuts UTF-8 text to at most `units` UTF-16 code units without splitting a character.
std::string CutToUtf16Units(const std::string& utf8, std::size_t units);

// UTF-8 text in lower case as the 8-bit mapping makes it: A-Z, and the accented capitals of Latin-1.
std::string LowerCase(const std::string& utf8);

// Every letter of UTF-8 text in upper case (or lower case), in place, by the one-for-one mapping
// of each character, so that no character position in the text moves.
void ChangeLetterCase(std::string& utf8, bool upper);

}  // namespace vt
