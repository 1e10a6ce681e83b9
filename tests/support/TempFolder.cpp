#include "tests/support/TempFolder.h"

#include "platform/SystemHelpers.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace Testing {

namespace {
std::string uniqueName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::ostringstream name;
    name << "brightwell-test-" << random() << '-' << counter++;
    return name.str();
}
} // namespace

TempFolder::TempFolder() {
    std::filesystem::path folder = std::filesystem::path(Cobalt::tempFolder()) / uniqueName();
    std::filesystem::create_directories(folder);
    root = folder.string() + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

void TempFolder::write(const std::string &relative, const std::string &bytes) const {
    std::ofstream out(root + relative, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::read(const std::string &relative) const {
    std::ifstream in(root + relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace Testing
