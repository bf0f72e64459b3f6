#pragma once

#include <string>
#include <string_view>

// Whole files read and written through the system-file seam (data/system_files.h). A file is
// never changed in place: a complete new copy is written beside it, saved to disk, and renamed
// over it in one step, so the name names either the old content or the new, never a mixture.
namespace varnel::tool {

// The content of an existing file. what names it in messages ("the equipment file"). Throws
// data::Error when it is missing, a folder, or cannot be read.
std::string readWholeFile(const std::string& path, const std::string& what);

// Throws data::Error unless path names an existing file whose permissions allow writing.
void requireWritableFile(const std::string& path, const std::string& what);

// A complete new copy of a file, written to temporaryPath and saved to disk, waiting to take the
// file's place. Removed again unless commit() succeeds.
class StagedFile {
  public:
    // Throws data::Error, with the temporary file removed, when it cannot be written in full.
    StagedFile(std::string path, std::string temporaryPath, std::string_view content);
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // Renames the copy over the file; throws data::Error, with the file as it was, when it cannot.
    void commit();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string temporaryPath_;
    bool committed_ = false;
};

// Makes the renames in path's folder survive a power cut; throws data::Error when it cannot.
void saveFolderOf(const std::string& path);

// The temporary copy's name for a file of ours: path with ".new" added.
std::string temporaryPathBeside(const std::string& path);

// Stages content, commits it and saves the folder.
void replaceWholeFile(const std::string& path, std::string_view content);

}  // namespace varnel::tool
