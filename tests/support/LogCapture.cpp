// Log capture shared by the test programs.
#include "tests/support/LogCapture.h"

#include "app/Log.h"

#include <memory>

namespace Testing {

LogCapture::LogCapture() {
    auto stream = std::make_unique<std::ostringstream>();
    output = stream.get();
    Cobalt::Log::instance().addOutput(std::move(stream), Cobalt::Log::Information);
}

LogCapture::~LogCapture() { Cobalt::Log::instance().closeOutputs(); }

} // namespace Testing
