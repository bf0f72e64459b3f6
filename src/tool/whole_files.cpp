#include "whole_files.h"

#include <utility>

#include "data/error.h"
#include "data/system_files.h"

namespace varnel::tool {
namespace {

using data::Error;
using data::SystemError;

std::string reasonFor(SystemError error) {
    return data::systemFiles().describe(error);
}

}  // namespace

std::string readWholeFile(const std::string& path, const std::string& what) {
    data::SystemFiles& files = data::systemFiles();
    const std::string couldNot = "Could not read the " + what + " " + path + ": ";
    const auto opened = files.open(path, data::OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == data::errorNoSuchFile()) {
            throw Error("There is no " + what + " " + path + ". Check the file name.");
        }
        throw Error(couldNot + reasonFor(opened.error) + ".");
    }
    const int handle = opened.value;
    std::string content;
    SystemError error = 0;
    const auto status = files.status(handle);
    if (!status.ok() || status.value.isFolder) {
        error = status.ok() ? data::errorIsFolder() : status.error;
    } else {
        // Read to the end rather than to the length found, which another program may change.
        std::size_t filled = 0;
        content.resize(static_cast<std::size_t>(status.value.length) + 4096);
        for (;;) {
            const auto read = files.readAt(handle, content.data() + filled, content.size() - filled,
                                           static_cast<std::int64_t>(filled));
            if (!read.ok()) {
                error = read.error;
                break;
            }
            filled += read.value;
            if (filled < content.size()) {
                break;
            }
            content.resize(content.size() * 2);
        }
        content.resize(filled);
    }
    const SystemError closeError = files.close(handle);
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        throw Error(couldNot + reasonFor(error) + ".");
    }
    return content;
}

void requireWritableFile(const std::string& path, const std::string& what) {
    const auto status = data::systemFiles().statusOfPath(path);
    if (!status.ok()) {
        throw Error("Could not look at the " + what + " " + path + ": " + reasonFor(status.error) +
                    ". Nothing was written.");
    }
    if (!status.value.exists) {
        throw Error("There is no " + what + " " + path + ". Nothing was written.");
    }
    if (status.value.isFolder || !status.value.permitsWriting) {
        throw Error(path + (status.value.isFolder ? " is a folder" : " is read-only") +
                    ": nothing was written.");
    }
}

StagedFile::StagedFile(std::string path, std::string temporaryPath, std::string_view content)
    : path_(std::move(path)), temporaryPath_(std::move(temporaryPath)) {
    data::SystemFiles& files = data::systemFiles();
    const std::string unchanged = " " + path_ + " was not changed.";
    const auto opened = files.open(temporaryPath_, data::OpenMode::CreateTruncate);
    if (!opened.ok()) {
        committed_ = true;  // nothing of ours to remove: the name may be someone else's
        throw Error("Could not create the temporary file " + temporaryPath_ + ": " +
                    reasonFor(opened.error) + "." + unchanged);
    }
    SystemError error = 0;
    std::string what = "write";
    const auto written = files.writeAt(opened.value, content.data(), content.size(), 0);
    if (!written.ok() || written.value != content.size()) {
        // Only a full disk makes a regular file take part of a write.
        error = written.ok() ? data::errorNoSpace() : written.error;
    } else if (error = files.syncToDisk(opened.value); error != 0) {
        what = "save to disk";
    }
    const SystemError closeError = files.close(opened.value);
    if (error == 0 && closeError != 0) {
        error = closeError;
        what = "close";
    }
    if (error != 0) {
        std::string message = "Could not " + what + " the temporary file " + temporaryPath_ + ": " +
                              reasonFor(error) + "." + unchanged;
        if (const SystemError removeError = files.remove(temporaryPath_); removeError != 0) {
            message +=
                " The temporary file could not be removed either: " + reasonFor(removeError) + ".";
        }
        committed_ = true;
        throw Error(message);
    }
}

StagedFile::~StagedFile() {
    if (!committed_) {
        data::systemFiles().remove(temporaryPath_);  // already failing elsewhere
    }
}

void StagedFile::commit() {
    data::SystemFiles& files = data::systemFiles();
    if (const SystemError error = files.rename(temporaryPath_, path_); error != 0) {
        throw Error("Could not put the temporary file " + temporaryPath_ + " in place of " + path_ +
                    ": " + reasonFor(error) + ". " + path_ + " was not changed.");
    }
    committed_ = true;
}

void saveFolderOf(const std::string& path) {
    const std::string folder = data::folderOf(path);
    if (const SystemError error = data::systemFiles().syncFolder(folder); error != 0) {
        throw Error(path + " was written, but the folder " + folder +
                    " could not be saved to disk: " + reasonFor(error) +
                    ". The change may not survive a power cut.");
    }
}

std::string temporaryPathBeside(const std::string& path) {
    return path + ".new";
}

void replaceWholeFile(const std::string& path, std::string_view content) {
    StagedFile staged(path, temporaryPathBeside(path), content);
    staged.commit();
    saveFolderOf(path);
}

}  // namespace varnel::tool
