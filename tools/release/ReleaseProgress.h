// What the release tool is doing as it goes, told to whoever shows it; the base ignores it all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Release {

enum class ReleaseStep { Reading, Hashing, Packing, Writing };

class ReleaseProgress {
public:
    virtual ~ReleaseProgress() = default;

    // step begins over files files of bytes bytes in all (both 0 while reading: not known yet).
    virtual void stepStarted(ReleaseStep, std::size_t, std::uint64_t) {}
    // One more file of the step (a package while writing) of size bytes is through.
    virtual void fileDone(std::uint64_t) {}

    // The one that ignores everything, for callers that show nothing.
    static ReleaseProgress &none() {
        static ReleaseProgress nobody;
        return nobody;
    }
};

} // namespace Release
