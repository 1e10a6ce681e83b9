// A staged download that survives a cut connection and the launcher's end: its bytes stay on
// disk with the validator of the reply they came from in a small file beside them, so that a
// later attempt, in this run or the next, asks the server only for the rest.
#pragma once

#include "io/StagedFile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Cobalt::IO {

class ResumableFile : public StagedFile {
public:
    // Continues the file at path (a native path) when the validator file beside it names the
    // reply its bytes came from; otherwise creates path anew as StagedFile::create does (a
    // leftover without a validator is of unknown origin). Null when neither works.
    static std::unique_ptr<ResumableFile> open(const std::string &path);
    // Removes the file and its validator; a missing one is no failure.
    static void remove(const std::string &path);
    // Where the validator of the file at path is kept.
    static std::string validatorPath(const std::string &path);

    ResumableFile(std::unique_ptr<Platform::NewFile> file, std::uint64_t written,
                  std::string path, std::string validator);

    std::uint64_t held() const override { return size(); }
    std::string validator() const override { return currentValidator; }
    // Empties the file and keeps validator beside it (none when empty): the validator is on
    // disk before the first byte it describes.
    bool restart(const std::string &validator) override;
    void continued() override { resumed = true; }
    // Whether the bytes held were continued by a later reply since the file last started over:
    // a file pieced together from two replies is worth fetching whole when it proves damaged.
    bool wasResumed() const { return resumed; }

    // The longest validator kept; a longer one is not kept, and the file then starts over.
    static constexpr std::size_t ValidatorLimit = 256;

private:
    std::string path;
    std::string currentValidator;
    bool resumed = false;
};

} // namespace Cobalt::IO
