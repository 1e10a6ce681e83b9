// One source of files that the file server can mount: the disk or a ZIP package.
#pragma once

#include "io/Stream.h"

#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {

class FileSystem {
public:
    explicit FileSystem(const std::string &name) : name(name) {}
    virtual ~FileSystem() = default;
    FileSystem(const FileSystem &) = delete;
    FileSystem &operator=(const FileSystem &) = delete;

    // Whether path names a file that this file system can open for reading.
    virtual bool exists(const std::string &path) = 0;
    // Opens path with the engine's mode bits; none when it cannot be opened. The stream must not
    // outlive the file system it came from.
    virtual std::unique_ptr<Stream> open(const std::string &path, int mode) = 0;
    // Appends the names of the files directly inside folder.
    virtual void listFiles(const std::string &folder, std::vector<std::string> &names) = 0;
    // Appends the names of the folders directly inside folder.
    virtual void listDirectories(const std::string &folder, std::vector<std::string> &names) = 0;

    const std::string &getName() const { return name; }

private:
    const std::string name;
};

} // namespace Cobalt::IO
