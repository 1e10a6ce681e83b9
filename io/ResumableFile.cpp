// Resumable staged files and their validator files.
#include "io/ResumableFile.h"

#include "platform/NativeFile.h"
#include "platform/NewFile.h"

#include <istream>

namespace Cobalt::IO {

namespace {
// The validator kept for path; empty when there is none or it is not one.
std::string readValidator(const std::string &path) {
    const auto stream =
        Platform::openFileStream(ResumableFile::validatorPath(path), std::ios::in | std::ios::binary);
    if (!stream)
        return std::string();
    std::string text;
    char c = 0;
    while (text.size() <= ResumableFile::ValidatorLimit && stream->get(c))
        text += c;
    const bool oneLine = text.find_first_of("\r\n") == std::string::npos;
    return oneLine && text.size() <= ResumableFile::ValidatorLimit ? text : std::string();
}
} // namespace

std::unique_ptr<ResumableFile> ResumableFile::open(const std::string &path) {
    std::string validator = readValidator(path);
    std::uint64_t size = 0;
    auto file = validator.empty() ? nullptr : Platform::NewFile::continueAt(path, size);
    if (!file) {
        remove(path);
        file = Platform::NewFile::createReplacing(path);
        validator.clear();
        size = 0;
    }
    if (!file)
        return nullptr;
    return std::make_unique<ResumableFile>(std::move(file), size, path, std::move(validator));
}

void ResumableFile::remove(const std::string &path) {
    Platform::removeFile(validatorPath(path));
    Platform::removeFile(path);
}

std::string ResumableFile::validatorPath(const std::string &path) {
    // A prefix, not a suffix: no staged name of the folder begins with it.
    const std::string::size_type separator = path.find_last_of("/\\");
    const std::string::size_type name = separator == std::string::npos ? 0 : separator + 1;
    return path.substr(0, name) + "validator-" + path.substr(name);
}

ResumableFile::ResumableFile(std::unique_ptr<Platform::NewFile> file, std::uint64_t written,
                             std::string path, std::string validator)
    : StagedFile(std::move(file), written), path(std::move(path)),
      currentValidator(std::move(validator)) {}

bool ResumableFile::restart(const std::string &validator) {
    // The old validator goes first: a crash in between must never pair it with new bytes.
    Platform::removeFile(validatorPath(path));
    currentValidator.clear();
    resumed = false;
    if (!StagedFile::restart(validator))
        return false;
    if (validator.empty() || validator.size() > ValidatorLimit ||
        validator.find_first_of("\r\n") != std::string::npos)
        return true;
    if (!Platform::writeFileDurably(validatorPath(path), validator.data(), validator.size()))
        return true; // without it the bytes are simply not resumed
    currentValidator = validator;
    return true;
}

} // namespace Cobalt::IO
