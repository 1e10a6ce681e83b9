// Log capture shared by the test programs.
#include "tests/support/LogCapture.h"

#include "app/Log.h"

#include <memory>

namespace Testing {

LogCapture::LogCapture() {
    Cobalt::Log::instance().addOutput(std::make_unique<std::ostream>(&buffer),
                                      Cobalt::Log::Information);
}

LogCapture::~LogCapture() { Cobalt::Log::instance().closeOutputs(); }

} // namespace Testing
